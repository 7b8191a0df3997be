#!/usr/bin/env bash
# Builds the core and its tests with ThreadSanitizer in build-tsan/ and runs the tests of the
# threaded code: the call queue, the device session, discovery and the device list, the
# information and operation runners, the periodic update and the name resolver.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-tsan
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_SANITIZE_THREAD=ON \
  -DKORVANE_CORE_ONLY=ON -DKORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target support_tests device_session_tests discovery_tests \
  operations_run_tests operations_net_tests net_testhost_tests metrics_server_tests korvane-sim korvanectl
cd "$build"
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
# Like the other sanitizers, ThreadSanitizer needs the address layout that setarch -R gives.
# The discovery tests wait for the protocols' silences beside the busy ones (see scripts/test.sh).
setarch "$(uname -m)" -R ctest -j$(($(nproc) + 8)) --resource-spec-file CTestCores.json \
  --output-on-failure --timeout 600 \
  -R 'CallQueue|DeviceSession|Discovery|DeviceList|InfoJob|OperationRun|UpdateScheduler|NameResolver|NameLookup|MetricsServer' \
  -LE 'interop|gui' "$@"
