#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test. Extra arguments go to ctest
# (for example: scripts/test.sh -L unit).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
cd "${KORVANE_BUILD_DIR:-$root/build}"
ctest -j2 --output-on-failure --timeout 600 "$@"
