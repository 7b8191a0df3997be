#!/usr/bin/env bash
# Installs the Debian package in a clean Debian 12 root, checks what a user gets, purges it and
# checks that nothing of it is left. Not run by ctest: it needs root, the network (debootstrap and
# the package's dependencies come from the Debian mirror) and minutes.
#
#   tests/dist/clean-root-install.sh [PACKAGE.deb]      (default: build/korvane-admin_*.deb)
#
# The pristine root is made once with debootstrap and kept in $KORVANE_CLEAN_ROOT_CACHE
# (/var/cache/korvane-clean-root), with the .debs apt fetches, so a second run is quick; each run
# works on a copy and removes it. The programs run in a network namespace of their own (loopback
# and a veth pair), so the simulated devices and korvanectl reach no other host.
set -euo pipefail

root_dir=$(cd "$(dirname "$0")/../.." && pwd)
cache=${KORVANE_CLEAN_ROOT_CACHE:-/var/cache/korvane-clean-root}
mirror=${KORVANE_DEBIAN_MIRROR:-http://deb.debian.org/debian}
started=$(date +%s)

[ "$(id -u)" -eq 0 ] || { echo "clean-root-install.sh needs root (debootstrap, chroot, mounts)" >&2; exit 2; }
package=${1:-$(ls "$root_dir"/build/korvane-admin_*_amd64.deb 2>/dev/null | tail -n 1)}
[ -f "$package" ] || { echo "no package: run scripts/package.sh first, or name the .deb" >&2; exit 2; }

if ! command -v debootstrap >/dev/null; then
    echo "Installing debootstrap (Debian package), which makes the clean root"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
fi
if [ ! -d "$cache/root" ]; then
    echo "Making a clean Debian 12 root in $cache/root (once; a few minutes)"
    mkdir -p "$cache"
    rm -rf "$cache/root.partial"
    debootstrap --arch=amd64 bookworm "$cache/root.partial" "$mirror" >"$cache/debootstrap.log" 2>&1 ||
        { tail -n 20 "$cache/debootstrap.log" >&2; exit 1; }
    mv "$cache/root.partial" "$cache/root"
fi
mkdir -p "$cache/archives/partial"

work=$(mktemp -d /var/tmp/korvane-clean-root.XXXXXX)
root="$work/root"
mounted=()
cleanup() {
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[i]}" 2>/dev/null || true; done
    rm -rf --one-file-system "$work"
}
trap cleanup EXIT
bind() { mount --bind "$1" "$2"; mounted+=("$2"); }

cp -a "$cache/root" "$root"
mount -t proc proc "$root/proc"
mounted+=("$root/proc")
bind /dev "$root/dev"
bind /dev/pts "$root/dev/pts"
bind "$cache/archives" "$root/var/cache/apt/archives"
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "$package" "$root/tmp/"
deb="/tmp/$(basename "$package")"

# Inside the root; in_netns's commands run in a network namespace with loopback and a veth pair
# whose default route lets discovery broadcast (Linux delivers its own broadcasts locally too).
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }
in_netns() {
    unshare --net sh -c 'ip link set lo up && ip link add v0 type veth peer name v1 &&
        ip addr add 10.99.0.1/24 dev v0 && ip link set v0 up && ip link set v1 up &&
        ip route add default dev v0 && exec "$@"' sh \
        chroot "$root" /usr/bin/env -i PATH=/usr/bin:/bin HOME=/tmp/home XDG_RUNTIME_DIR=/tmp/home/run \
        LANG=C.UTF-8 KORVANE_LANG=en QT_QPA_PLATFORM=offscreen "$@"
}

passed=0
failed=0
results=()
check() {
    local name=$1
    shift
    if "$@" >"$work/check.log" 2>&1; then
        passed=$((passed + 1))
        results+=("ok    $name")
    else
        failed=$((failed + 1))
        results+=("FAIL  $name")
        sed 's/^/      /' "$work/check.log" | tail -n 15 >&2
        echo "FAIL: $name" >&2
    fi
}

# What the root holds before the package, for the comparison after the purge (caches, logs and
# package databases change with any installation and are left out).
root_files() {
    (cd "$root" && find . -xdev \( -path ./proc -o -path ./dev -o -path ./tmp -o -path ./var/cache \
        -o -path ./var/log -o -path ./var/lib/apt -o -path ./var/lib/dpkg -o -path ./run \) -prune -o -print |
        sort)
}
in_root apt-get update -qq >/dev/null
# man-db is on every desktop but not in debootstrap's set; the manual pages are checked with it.
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq man-db >/dev/null
root_files >"$work/before"

install_started=$(date +%s)
check "apt install ./$(basename "$package")" \
    in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb"
install_seconds=$(($(date +%s) - install_started))
in_root dpkg-query -L korvane-admin >"$work/owned"

# Each program finds every library it links.
no_missing_libraries() {
    local program
    for program in korvane-admin korvanectl korvane-sim; do
        in_root ldd "/usr/bin/$program" | grep 'not found' && return 1
    done
    return 0
}
check "the three programs find their libraries" no_missing_libraries
check "korvanectl --help from the PATH" in_root sh -c 'command -v korvanectl && korvanectl --help | grep -q korvanectl'
check "korvanectl --version" in_root sh -c 'korvanectl --version | grep -q "[0-9]\.[0-9]"'
check "man -w korvanectl, korvane-admin, korvane-sim" \
    in_root man -w korvanectl korvane-admin korvane-sim
check "Japanese manual pages" in_root test -f /usr/share/man/ja/man1/korvanectl.1.gz
check "korvane-admin --help" in_netns sh -c 'korvane-admin --help | grep -q korvane-admin'
# The window on the offscreen platform: still running after five seconds means it started.
check "korvane-admin starts (offscreen)" \
    in_netns sh -c 'mkdir -p -m 700 /tmp/home/run; timeout 5 korvane-admin; [ $? -eq 124 ]'

desktop_entry() {
    local entry=$root/usr/share/applications/korvane-admin.desktop
    grep -qx 'Exec=korvane-admin' "$entry" && grep -qx 'Icon=korvane-admin' "$entry" &&
        in_root sh -c 'command -v korvane-admin' >/dev/null &&
        test -f "$root/usr/share/icons/hicolor/scalable/apps/korvane-admin.svg" &&
        for size in 16 22 24 32 48 64 128 256; do
            test -f "$root/usr/share/icons/hicolor/${size}x${size}/apps/korvane-admin.png" || return 1
        done
}
check "desktop entry and icons (SVG, PNG 16-256)" desktop_entry
check "manual PDFs in /usr/share/doc/korvane-admin" \
    test -f "$root/usr/share/doc/korvane-admin/KorvaneAdmin.pdf" -a -f "$root/usr/share/doc/korvane-admin/KorvaneAdmin.en.pdf"
check "system user korvane, home /var/lib/korvane (0700, its own)" in_root sh -c \
    'getent passwd korvane | grep -q ":/var/lib/korvane:" && [ "$(stat -c %U:%a /var/lib/korvane)" = korvane:700 ]'
check "units name /usr/bin/korvanectl" grep -q '^ExecStart=/usr/bin/korvanectl ' \
    "$root/usr/lib/systemd/system/korvane-monitor.service" "$root/usr/lib/systemd/user/korvane-monitor.service"
check "the system unit is installed but not enabled" in_root sh -c \
    '! systemctl is-enabled korvane-monitor.service'
check "/etc/korvane/monitor.conf is a conffile" in_root sh -c \
    'dpkg-query -W -f="\${Conffiles}" korvane-admin | grep -q "/etc/korvane/monitor.conf"'

# Simulated devices and korvanectl over loopback: discovery, management, information.
devices() {
    in_netns sh -c '
        mkdir -p -m 700 /tmp/home/run
        korvane-sim --count 2 --base 127.0.100.1 --http-port 0 --discovery --control /tmp/home/sim.sock \
            >/tmp/home/sim.log 2>&1 &
        sim=$!
        trap "kill $sim" EXIT
        for i in $(seq 100); do grep -q ready /tmp/home/sim.log && break; sleep 0.1; done
        set -e
        korvanectl discover --json | tee /tmp/home/discover.json
        grep -q "\"ipv4\": *\"127.0.100.2\"" /tmp/home/discover.json
        korvanectl add 127.0.100.1
        korvanectl list | grep -q ks-001
        korvanectl info 127.0.100.1 | grep -q ks-001'
}
check "korvane-sim, korvanectl discover/add/list/info over loopback" devices

purge_started=$(date +%s)
check "apt purge korvane-admin" in_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q korvane-admin
purge_seconds=$(($(date +%s) - purge_started))
# Every file of the package is gone, and every folder of it unless another package owns it too.
nothing_owned_left() {
    local path left=0
    while read -r path; do
        [ -e "$root$path" ] || continue
        if [ -d "$root$path" ] && in_root dpkg-query -S "$path" >/dev/null 2>&1; then continue; fi
        echo "left: $path"
        left=1
    done <"$work/owned"
    return $left
}
check "no file of the package left" nothing_owned_left
check "user and group korvane removed" in_root sh -c '! getent passwd korvane && ! getent group korvane'
check "/var/lib/korvane and /etc/korvane removed" test ! -e "$root/var/lib/korvane" -a ! -e "$root/etc/korvane"
in_root env DEBIAN_FRONTEND=noninteractive apt-get autoremove --purge -y -q >/dev/null
root_files | comm -13 "$work/before" - >"$work/added"
check "after autoremove, no new path named korvane in the root" sh -c "! grep -i korvane '$work/added'"

echo
echo "Clean Debian 12 root: $(basename "$package") ($(du -k "$package" | cut -f1) KiB)"
dpkg-deb -f "$package" Depends Recommends Suggests | sed 's/^/  /'
printf '  %s\n' "${results[@]}"
echo "  install ${install_seconds} s, purge ${purge_seconds} s, whole run $(($(date +%s) - started)) s"
echo "  new paths in the root after the purge and autoremove: $(wc -l <"$work/added")" \
    "(the dependencies' own, and what their scripts made)"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
