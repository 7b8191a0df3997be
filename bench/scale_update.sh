#!/usr/bin/env bash
# How a status update scales with the number of devices: korvanectl update --status over 1, 100
# and 1000 simulated devices on loopback, each answering every response after 100 ms. Devices are
# asked in parallel, so the wall time should hardly grow. Prints wall time and peak memory.
#   [DELAY_MS=100] bench/scale_update.sh [build directory] [counts...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
shift || true
counts=("${@:-1 100 1000}")
korvanectl=$build/tools/korvanectl/korvanectl
sim=$build/tools/korvane-sim/korvane-sim
work=$(mktemp -d)
# Every poll resolves each device's host name first. A real LAN answers that at once; this
# machine's name server drops bursts of queries, which would measure the name server instead.
# So, where possible, everything runs in a network namespace whose resolver fails at once.
netns=""
run=()
if [ "$(id -u)" -eq 0 ] && ip netns add "kvbench-$$" 2>/dev/null; then
  netns=kvbench-$$
  mkdir -p "/etc/netns/$netns"
  echo "nameserver 127.0.0.1" >"/etc/netns/$netns/resolv.conf"
  ip -n "$netns" link set lo up
  run=(ip netns exec "$netns")
fi
cleanup() {
  kill "${simpid:-}" 2>/dev/null || true
  [ -n "$netns" ] && { ip netns pids "$netns" | xargs -r kill -9; ip netns del "$netns"; rm -rf "/etc/netns/$netns"; }
  [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

# The simulator for COUNT devices; extra arguments go to it.
start_simulator() {
  local count=$1
  shift
  "${run[@]}" "$sim" --count "$count" --base 127.0.120.1 --http-port 0 --password bench --control "$work/sim.sock" \
    "$@" >"$work/sim-$count.log" 2>&1 &
  simpid=$!
  until grep -q "ready [0-9]* devices" "$work/sim-$count.log"; do sleep 0.05; done
}

stop_simulator() {
  kill "$simpid"
  wait "$simpid" 2>/dev/null || true
  rm -f "$work/sim.sock"
}

for count in ${counts[@]}; do
  settings=$work/settings-$count
  # Bring every device under management with its password, without the delay.
  start_simulator "$count"
  addresses=()
  for ((i = 0; i < count; i++)); do
    addresses+=("127.0.$((120 + (i + 1) / 256)).$(((i + 1) % 256))")
  done
  "${run[@]}" "$korvanectl" add "${addresses[@]}" --settings "$settings" >/dev/null
  mapfile -t macs < <("$korvanectl" list --json --settings "$settings" | grep -o '"key":"[^"]*"' | cut -d'"' -f4)
  echo bench | "$korvanectl" password "${macs[@]}" --save --settings "$settings" >/dev/null
  stop_simulator
  # The same devices again, now answering every response after DELAY_MS (100) ms.
  start_simulator "$count" --exec "set * delay ${DELAY_MS:-100}"
  "${run[@]}" env XDG_STATE_HOME="$work/state" /usr/bin/time -f "%e %M" -o "$work/time" \
    "$korvanectl" update --status --settings "$settings" >/dev/null
  read -r seconds kilobytes <"$work/time"
  printf '%5d devices: %6.2f s wall, %6.1f MB peak\n' "$count" "$seconds" "$(echo "$kilobytes / 1024" | bc -l)"
  stop_simulator
done
