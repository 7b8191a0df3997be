#!/usr/bin/env bash
# Installs every Debian package that building, running and testing KORVANE Admin needs.
# Idempotent: prints nothing and changes nothing when everything is present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git dpkg-dev
  clang clang-format libclang-rt-14-dev
  libxml2-dev libssl-dev nlohmann-json3-dev
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 libgl-dev qt6-translations-l10n
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xauth fonts-noto-cjk trayer xdg-utils iproute2 procps util-linux dnsmasq-base
  exim4-daemon-light dovecot-pop3d openssl
  librsvg2-bin groff-base man-db prometheus
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

# The tests start private Exim, Dovecot and Prometheus instances of their own; the system services
# that these packages start on installation are not wanted (they would hold ports 25, 110 and 9090).
for p in "${missing[@]}"; do
  case "$p" in
    exim4-daemon-light) service=exim4 ;;
    dovecot-pop3d) service=dovecot ;;
    prometheus) service=prometheus ;;
    *) continue ;;
  esac
  if command -v systemctl >/dev/null && [ -d /run/systemd/system ]; then
    $sudo systemctl disable --now "$service" >/dev/null 2>&1 || true
  else
    $sudo service "$service" stop >/dev/null 2>&1 || true
  fi
done
