#!/usr/bin/env bash
# Unpacks Debian's own source packages (with Debian's patches applied) of the
# libraries that Wylo builds itself, the versions Debian 12 ships, into
# SOURCES_DIR/PACKAGE. Needs deb-src entries for bookworm (scripts/setup adds
# them) and dpkg-dev. A package already unpacked is left alone.
#
#   fetch-debian-sources.sh SOURCES_DIR PACKAGE...
set -euo pipefail

if (($# < 2)); then
    echo "usage: $0 SOURCES_DIR PACKAGE..." >&2
    exit 2
fi
sources=$1
shift
mkdir -p "$sources"

for package in "$@"; do
    target="$sources/$package"
    [[ -e "$target/.unpacked" ]] && continue
    work=$(mktemp -d "$sources/.fetch-$package.XXXXXX")
    trap 'rm -rf "$work"' EXIT
    echo "Fetching Debian's source package $package"
    if ! (cd "$work" && apt-get source --download-only -qq "$package") >"$work/apt.log" 2>&1; then
        cat "$work/apt.log" >&2
        echo "fetch-debian-sources.sh: could not fetch the source package $package." >&2
        echo "Run scripts/setup (it adds the deb-src entries for Debian 12) and try again." >&2
        exit 1
    fi
    dsc=("$work"/"$package"_*.dsc)
    if ((${#dsc[@]} != 1)) || [[ ! -f ${dsc[0]} ]]; then
        echo "fetch-debian-sources.sh: expected one $package .dsc file, found: ${dsc[*]}" >&2
        exit 1
    fi
    # apt has checked the files against the archive's signed index already.
    dpkg-source --no-check -x "${dsc[0]}" "$work/tree" >/dev/null
    basename "${dsc[0]}" .dsc >"$work/tree/.unpacked"
    rm -rf "$target"
    mv "$work/tree" "$target"
    rm -rf "$work"
    trap - EXIT
done
