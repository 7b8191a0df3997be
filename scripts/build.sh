#!/usr/bin/env bash
# Configures and builds KORVANE Admin into build/ (or $KORVANE_BUILD_DIR), two jobs at a time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KORVANE_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" -j2
