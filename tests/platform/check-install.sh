#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks that the program, its
# helper, the publishers' tool, the menu entry, the icon, the metainfo and the
# manual pages land in the freedesktop and Debian locations.
#   check-install.sh <build-dir> <with-app: 0|1>
set -euo pipefail
build="$1"
with_app="$2"
prefix=$(mktemp -d "${TMPDIR:-/tmp}/wylo-install.XXXXXX")
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null

fail=0
need() {
    if [ ! -e "$prefix/$1" ]; then
        echo "missing after install: $1" >&2
        fail=1
    fi
}
need share/applications/wylo.desktop
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$prefix/share/applications/wylo.desktop" || fail=1
fi
if [ "$with_app" = 1 ]; then
    need bin/wylo
    need bin/wylo-channel
    # The web helper is the program's own, off the PATH.
    need libexec/wylo/wylo-web
    [ ! -e "$prefix/bin/wylo-web" ] || { echo "bin/wylo-web is on the PATH" >&2; fail=1; }
    need share/metainfo/org.wylo.Wylo.metainfo.xml
    need share/man/man1/wylo.1.gz
    need share/man/man1/wylo-channel.1.gz
    need share/doc/wylo/copyright
    [ -x "$prefix/bin/wylo" ] || { echo "bin/wylo is not executable" >&2; fail=1; }
    for size in 16 32 48 256; do
        png="share/icons/hicolor/${size}x${size}/apps/wylo.png"
        need "$png"
        # A PNG of the right size: the width and height sit at bytes 16..23.
        if [ -e "$prefix/$png" ]; then
            dims=$(od -An -tu1 -j16 -N8 "$prefix/$png" | tr -s ' ')
            want=" 0 0 $((size >> 8)) $((size & 255)) 0 0 $((size >> 8)) $((size & 255))"
            [ "$dims" = "$want" ] || { echo "$png is not ${size}x${size}: $dims" >&2; fail=1; }
        fi
    done
fi
exit "$fail"
