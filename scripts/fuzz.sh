#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each for a bounded time:
#   scripts/fuzz.sh [seconds per target, default 30]
# A crash stops the script with the fuzzer's report; the input that caused it is saved in fuzz/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
build=$root/build-fuzz
targets=(fuzz_xml_load fuzz_base64_text_decode fuzz_mime_base64_decode fuzz_unscramble fuzz_address_text
  fuzz_sort_keys fuzz_settings_load fuzz_device_response fuzz_device_info fuzz_discovery_reply fuzz_mail_reply
  fuzz_mac_address fuzz_alert_bits)
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKORVANE_BUILD_FUZZ=ON -DKORVANE_SANITIZE=ON -DKORVANE_BUILD_TESTS=OFF -DKORVANE_BUILD_TOOLS=OFF \
  -DKORVANE_CORE_ONLY=ON >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}"
for target in "${targets[@]}"; do
  corpus=$root/fuzz/corpus-$target
  mkdir -p "$corpus"
  options=(-max_total_time="$seconds" -max_len=65536 -print_final_stats=1 -artifact_prefix="$root/fuzz/")
  case $target in fuzz_xml_load | fuzz_settings_load | fuzz_device_info) options+=(-dict="$root/fuzz/xml.dict") ;; esac
  seeds=()
  [ -d "$root/fuzz/seeds/$target" ] && seeds=("$root/fuzz/seeds/$target")
  echo "== $target: ${seconds}s"
  log=$build/$target.log
  if ! (cd "$build" && setarch "$(uname -m)" -R "fuzz/$target" "${options[@]}" "$corpus" "${seeds[@]}" >"$log" 2>&1); then
    tail -n 60 "$log"
    exit 1
  fi
  grep '^Done' "$log" || tail -n 4 "$log"
done
