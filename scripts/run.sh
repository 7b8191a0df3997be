#!/usr/bin/env bash
# Installs what is missing, builds, and runs the KORVANE Admin demo: korvane-sim serves a dozen
# simulated devices on loopback (every model family; normal, caution, error and unreachable),
# a temporary settings location holds them managed and grouped, and the desktop program runs on
# it. Without a display the same devices are shown by "korvanectl list". Quitting the demo stops
# the simulator. With arguments it runs "korvanectl ARGS" instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
build=${KORVANE_BUILD_DIR:-$root/build}
korvanectl="$build/tools/korvanectl/korvanectl"
if [ $# -gt 0 ]; then
  exec "$korvanectl" "$@"
fi

work=$(mktemp -d)
sim=""
stop_simulator() {
  [ -n "$sim" ] && { kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; }
  sim=""
}
trap 'stop_simulator; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" XDG_RUNTIME_DIR="$work/run"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

# Twelve devices: the simulator's default set gives a capacity warning to device 5, a notice to
# device 8 and a disk error to device 10; devices 11 and 12 are switched off after they were
# brought under management, so that the demo shows them unreachable.
start_simulator() {
  "$build/tools/korvane-sim/korvane-sim" --count 12 --base 127.0.100.1 --http-port 0 \
    --control "$work/control.sock" "$@" >"$work/sim.log" 2>&1 &
  sim=$!
  for _ in $(seq 200); do
    grep -q 'ready' "$work/sim.log" && return
    sleep 0.05
  done
  echo "korvane-sim did not start:" >&2
  cat "$work/sim.log" >&2
  exit 1
}

start_simulator
"$korvanectl" add $(for i in $(seq 1 12); do echo "127.0.100.$i"; done) >/dev/null
for i in $(seq 1 12); do
  printf 'pw%03d\n' "$i" | "$korvanectl" password "$(printf 'ks-%03d' "$i")" --save >/dev/null
done
"$korvanectl" group create "棚 A" ks-001 ks-002 ks-003 ks-004 >/dev/null
"$korvanectl" group create "棚 B" ks-005 ks-006 ks-007 ks-008 >/dev/null
"$korvanectl" group create "予備" ks-009 ks-010 ks-011 ks-012 >/dev/null
"$korvanectl" update >/dev/null || true
stop_simulator
start_simulator --exec "poweroff 10" --exec "poweroff 11"
"$korvanectl" update --status >/dev/null || true

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "KORVANE Admin runs on 12 simulated devices (127.0.100.1-12); quit it with ファイル > アプリケーションの終了."
  "$build/src/app/korvane-admin"
else
  echo "No display: the desktop program cannot open its window. The demo's devices, as its device list shows them:"
  echo
  "$korvanectl" list
fi
