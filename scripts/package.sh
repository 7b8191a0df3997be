#!/usr/bin/env bash
# Installs what is missing, builds, and makes the Debian package build/korvane-admin_VERSION_amd64.deb
# (cmake/Package.cmake; dependencies from dpkg-shlibdeps). Extra arguments go to the configuration
# (scripts/build.sh). Install it with: sudo apt install ./build/korvane-admin_VERSION_amd64.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KORVANE_BUILD_DIR:-$root/build}
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$@"
cd "$build"
rm -f korvane-admin_*.deb
cpack -G DEB >cpack.log 2>&1 || { cat cpack.log >&2; exit 1; }
package=$(ls korvane-admin_*.deb)
echo "$build/$package"
