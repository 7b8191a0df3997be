#!/usr/bin/env bash
# Every benchmark in one go, on the machine at hand: the Google Benchmark programs (requests,
# transport, session, settings file and device list) and the status-update scale script.
# bench/README.md records the figures and their goals.
#   bench/run_all.sh [build directory]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
cmake --build "$build" -j2 --target korvane_bench korvanectl korvane-sim >/dev/null
echo "== korvane_bench"
KORVANE_SOURCE_DIR="$root" "$build/bench/korvane_bench" --benchmark_counters_tabular=true 2>&1 |
  grep -v '^\*\*\*WARNING'
echo
echo "== korvanectl update --status over 1, 250 and 1000 simulated devices (100 ms per answer)"
"$root/bench/scale_update.sh" "$build" 1 250 1000
echo
echo "== the same, devices answering at once (the CPU floor of the update)"
DELAY_MS=0 RESOLVERS=forwarding "$root/bench/scale_update.sh" "$build" 1000
