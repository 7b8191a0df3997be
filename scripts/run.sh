#!/usr/bin/env bash
# Installs what is missing, builds, and runs KORVANE Admin. Without arguments it shows
# korvanectl at work; with arguments it runs "korvanectl ARGS".
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
korvanectl="${KORVANE_BUILD_DIR:-$root/build}/tools/korvanectl/korvanectl"
if [ $# -gt 0 ]; then
  exec "$korvanectl" "$@"
fi
"$korvanectl" --help
echo
echo "\$ korvanectl request getinfo --category status --category network --infotype simple --wait 30000"
"$korvanectl" request getinfo --category status --category network --infotype simple --wait 30000
