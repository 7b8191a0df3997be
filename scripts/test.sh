#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test. Extra arguments go to ctest
# (for example: scripts/test.sh -L unit).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
cd "${KORVANE_BUILD_DIR:-$root/build}"
# Tests that keep a processor busy take the machine's cores by turns; up to eight slow ones, which
# mostly wait for the program's deadlines, run beside them (see tests/CMakeLists.txt).
ctest -j$(($(nproc) + 8)) --resource-spec-file CTestCores.json --output-on-failure --timeout 600 "$@"
