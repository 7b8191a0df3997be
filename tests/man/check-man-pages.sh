#!/bin/sh
# Renders each manual page given as man(1) would and fails on any groff warning, and checks that
# mandb can read its NAME line (what apropos and whatis show).
status=0
for page in "$@"; do
    warnings=$(groff -ww -Dutf8 -man -Tutf8 "$page" 2>&1 >/dev/null)
    if [ -n "$warnings" ]; then
        printf '%s: groff warns:\n%s\n' "$page" "$warnings"
        status=1
    fi
    if ! lexgrog "$page" >/dev/null; then
        printf '%s: lexgrog finds no NAME line\n' "$page"
        status=1
    fi
done
exit $status
