#!/usr/bin/env bash
# Installs what is missing, builds, and runs KORVANE Admin on simulated devices: korvane-sim
# serves a few devices on loopback and korvanectl asks them for their information. With
# arguments it runs "korvanectl ARGS" instead.
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
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null; rm -rf "$work"' EXIT
"$build/tools/korvane-sim/korvane-sim" --count 3 --base 127.0.100.1 --http-port 0 \
  --control "$work/control.sock" >"$work/sim.log" 2>&1 &
sim=$!
for _ in $(seq 100); do
  grep -q 'ready' "$work/sim.log" && break
  sleep 0.05
done
cat "$work/sim.log"
for device in 127.0.100.1 127.0.100.2 127.0.100.3; do
  echo
  echo "\$ korvanectl info $device --category 1 --password <its password>"
  "$korvanectl" info "$device" --category 1 --password "pw00${device##*.}"
done
echo
echo "\$ korvanectl info 127.0.100.9   # nothing there"
"$korvanectl" info 127.0.100.9 || true
