#!/usr/bin/env bash
# How a status update scales with the number of devices: korvanectl update --status over 1, 250
# and 1000 simulated devices, each answering every response after 100 ms, inside a test host
# whose name server is the test resolver (tests/hosts/korvane-test-resolver). Every poll looks the
# device's host name up first; the devices' names are unknown to the resolver, so each query is
# forwarded, as a LAN forwarder does with names it does not know.
#   forwarding  a LAN forwarder: answers a single query at once, loses queries in a burst (beyond
#               150 in flight), so the C library's 5 s retry shows
#   refusing    no name server listens: every lookup fails at once
# Devices are asked in parallel, so the wall time should hardly grow. Prints per run the wall
# time, the CPU time of korvanectl (user + system) and of the simulator, and korvanectl's peak
# resident memory. Needs root (network namespaces).
#   [DELAY_MS=100] [UPSTREAM_DELAY_MS=0] [RESOLVERS="forwarding refusing"] bench/scale_update.sh [build directory] [counts...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
shift || true
counts=("${@:-1 250 1000}")
resolvers=(${RESOLVERS:-forwarding refusing})
korvanectl=$build/tools/korvanectl/korvanectl
sim=$build/tools/korvane-sim/korvane-sim
test_resolver=$root/tests/hosts/korvane-test-resolver
export KORVANE_SLOW_UPSTREAM=$build/tests/hosts/korvane-slow-upstream
# The figures in bench/README.md were taken with an upstream that answers at once.
export KORVANE_UPSTREAM_DELAY_MS=${UPSTREAM_DELAY_MS:-0}
if [ "$(id -u)" -ne 0 ]; then
  echo "scale_update.sh: run it as root; it needs a network namespace for the test resolver" >&2
  exit 1
fi
work=$(mktemp -d)
# The test resolver reads its hosts file after dropping its privileges.
chmod 755 "$work"
netns=kvbench-$$
ip netns add "$netns"
mkdir -p "/etc/netns/$netns"
echo "nameserver 127.0.0.1" >"/etc/netns/$netns/resolv.conf"
ip -n "$netns" link set lo up
run=(ip netns exec "$netns")
# korvanectl holds a connection per device at once.
ulimit -n "$(ulimit -Hn)"
cleanup() {
  ip netns pids "$netns" | xargs -r kill -9
  ip netns del "$netns"
  rm -rf "/etc/netns/$netns"
  [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

# The test resolver in the given mode; stops the one that ran before.
use_resolver() {
  [ -n "${resolver_pids:-}" ] && kill $resolver_pids 2>/dev/null || true
  resolver_pids=$("$test_resolver" start "$netns" "$work/resolver" "$1" | awk '{print $2}' | xargs)
}

# Sets REPLY to the IPv4 address of device I (from 0): 127.0.120.1 onwards.
device_address() {
  REPLY="127.0.$((120 + ($1 + 1) / 256)).$((($1 + 1) % 256))"
}

# The simulators for COUNT devices, at most SIM_CHUNK (2500) devices each: a process has only so
# many file descriptors. Extra arguments go to each of them.
start_simulator() {
  local count=$1 chunk=${SIM_CHUNK:-2500}
  shift
  simpids=()
  for ((first = 0; first < count; first += chunk)); do
    local n=$((count - first < chunk ? count - first : chunk))
    local mac
    device_address "$first"
    local base=$REPLY
    mac=$(printf '%012X' $((0x024B53000001 + first)) | sed 's/../&:/g; s/:$//')
    "${run[@]}" "$sim" --count "$n" --base "$base" --base-mac "$mac" \
      --first-number $((first + 1)) --http-port 0 --password bench --control "$work/sim-$first.sock" \
      "$@" >"$work/sim-$first.log" 2>&1 &
    simpids+=($!)
    until grep -q "ready [0-9]* devices" "$work/sim-$first.log"; do
      kill -0 "${simpids[-1]}" 2>/dev/null || { cat "$work/sim-$first.log" >&2; exit 1; }
      sleep 0.05
    done
  done
}

stop_simulator() {
  kill "${simpids[@]}"
  wait "${simpids[@]}" 2>/dev/null || true
  rm -f "$work"/sim-*.sock
}

# User plus system CPU seconds the simulators have used so far.
simulator_cpu_seconds() {
  local pid
  for pid in "${simpids[@]}"; do cat "/proc/$pid/stat"; done |
    awk -v tick="$(getconf CLK_TCK)" '{ sum += $14 + $15 } END { print sum / tick }'
}

# Brings COUNT devices under management with their password, without the delay.
prepare_settings() {
  local count=$1 settings=$2
  start_simulator "$count"
  local addresses=()
  for ((i = 0; i < count; i++)); do
    device_address "$i"
    addresses+=("$REPLY")
  done
  "${run[@]}" "$korvanectl" add "${addresses[@]}" --settings "$settings" >/dev/null
  mapfile -t macs < <("$korvanectl" list --json --settings "$settings" | grep -o '"key":"[^"]*"' | cut -d'"' -f4)
  echo bench | "$korvanectl" password "${macs[@]}" --save --settings "$settings" >/dev/null
  stop_simulator
}

# korvanectl update --status over the COUNT devices' settings, behind the given command prefix.
update() {
  local count=$1
  shift
  cp "$work/settings-$count" "$work/settings"
  "${run[@]}" env XDG_STATE_HOME="$work/state" "$@" "$korvanectl" update --status --settings "$work/settings" >/dev/null
}

use_resolver refusing
for count in ${counts[@]}; do
  prepare_settings "$count" "$work/settings-$count"
  start_simulator "$count" --exec "set * delay ${DELAY_MS:-100}"
  for mode in "${resolvers[@]}"; do
    use_resolver "$mode"
    # Once untimed, so that neither the simulator's first connections nor the resolver's first
    # answers are in the figures.
    update "$count" >/dev/null
    sim_before=$(simulator_cpu_seconds)
    update "$count" /usr/bin/time -f "%e %U %S %M" -o "$work/time"
    sim_cpu=$(echo "$(simulator_cpu_seconds) - $sim_before" | bc -l)
    read -r seconds user system kilobytes <"$work/time"
    printf '%6d devices, %-10s resolver: %6.2f s wall, %6.2f s CPU, simulator %6.2f s CPU, %6.1f MB peak\n' \
      "$count" "$mode" "$seconds" "$(echo "$user + $system" | bc -l)" "$sim_cpu" "$(echo "$kilobytes / 1024" | bc -l)"
  done
  stop_simulator
done
