#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each for a bounded time, one
# target per core at a time:
#   scripts/fuzz.sh [seconds per target, default 30]
# A crash stops the script with the fuzzer's report; the input that caused it is saved in fuzz/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
build=$root/build-fuzz
targets=(fuzz_xml_load fuzz_base64_text_decode fuzz_mime_base64_decode fuzz_unscramble fuzz_address_text
  fuzz_sort_keys fuzz_settings_load fuzz_device_response fuzz_device_info fuzz_discovery_reply fuzz_mail_reply
  fuzz_mac_address fuzz_alert_bits fuzz_metrics_request)
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKORVANE_BUILD_FUZZ=ON -DKORVANE_SANITIZE=ON -DKORVANE_BUILD_TESTS=OFF -DKORVANE_BUILD_TOOLS=OFF \
  -DKORVANE_CORE_ONLY=ON >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}"

# Runs one target for the given time, its output into build-fuzz/<target>.log.
fuzz_target() {
  local target=$1
  local corpus=$root/fuzz/corpus-$target
  mkdir -p "$corpus"
  local options=(-max_total_time="$seconds" -max_len=65536 -print_final_stats=1 -artifact_prefix="$root/fuzz/")
  case $target in fuzz_xml_load | fuzz_settings_load | fuzz_device_info) options+=(-dict="$root/fuzz/xml.dict") ;; esac
  local seeds=()
  [ -d "$root/fuzz/seeds/$target" ] && seeds=("$root/fuzz/seeds/$target")
  cd "$build"
  exec setarch "$(uname -m)" -R "fuzz/$target" "${options[@]}" "$corpus" "${seeds[@]}" >"$build/$target.log" 2>&1
}

# Waits for the next target to end and reports it; a failure ends the others and the script.
declare -A running=()
finish_one() {
  local pid status=0
  wait -n -p pid "${!running[@]}" || status=$?
  local target=${running[$pid]}
  unset "running[$pid]"
  echo "== $target: ${seconds}s"
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$build/$target.log"
    [ ${#running[@]} -eq 0 ] || kill "${!running[@]}" 2>/dev/null || true
    wait
    exit 1
  fi
  grep '^Done' "$build/$target.log" || tail -n 4 "$build/$target.log"
}

at_once=$(nproc)
for target in "${targets[@]}"; do
  [ ${#running[@]} -lt "$at_once" ] || finish_one
  fuzz_target "$target" &
  running[$!]=$target
done
while [ ${#running[@]} -gt 0 ]; do finish_one; done
