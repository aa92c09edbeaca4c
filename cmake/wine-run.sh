#!/usr/bin/env bash
# Runs a Windows program of the cross build under Wine, with everything Wine
# keeps (its prefix, temporary files) inside the build folder, so a test run
# never touches the user's own ~/.wine.
#
#   wine-run.sh BUILD_DIR PROGRAM [ARGUMENTS...]   run PROGRAM, exit with its code
#   wine-run.sh BUILD_DIR --shutdown                stop this build's wineserver
#
# WYLO_TEST_LOCALE picks the POSIX locale Wine derives the Windows user locale
# from (de_DE.UTF-8 gives de-DE); the default C.UTF-8 gives en-US with UTF-8
# file names. A locale that is not installed still sets the Windows locale,
# but then only plain ASCII file names work.
set -uo pipefail

if (($# < 2)); then
    echo "usage: $0 BUILD_DIR PROGRAM [ARGUMENTS...] | BUILD_DIR --shutdown" >&2
    exit 2
fi
build=$1
shift

state="$build/wine"
export WINEPREFIX="$state/prefix"
export TMPDIR="$state/tmp"
export WINEDEBUG=-all
# No .NET or Gecko installers, no menu entries, and no debugger: without
# winedbg.exe=d a crashing program can end with exit code 0.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
export LC_ALL="${WYLO_TEST_LOCALE:-C.UTF-8}"
# Never open windows on the developer's screen; Wine runs fine without one.
unset DISPLAY WAYLAND_DISPLAY

find_tool() {
    local name
    for name in "$@"; do
        if command -v "$name" >/dev/null 2>&1; then
            command -v "$name"
            return 0
        fi
        # Debian's wine64 package keeps its programs here.
        if [[ -x "/usr/lib/wine/$name" ]]; then
            echo "/usr/lib/wine/$name"
            return 0
        fi
    done
    return 1
}

wineserver=$(find_tool wineserver64 wineserver) || {
    echo "wine-run.sh: wineserver not found (install wine64)" >&2
    exit 127
}

if [[ $1 == --shutdown ]]; then
    [[ -d $WINEPREFIX ]] && "$wineserver" -k 2>/dev/null
    exit 0
fi

wine=$(find_tool wine64 wine) || {
    echo "wine-run.sh: wine64 not found (install wine64)" >&2
    exit 127
}

mkdir -p "$TMPDIR"

# The first run creates the prefix (half a minute on a slow machine). Several
# programs may start at once, so one of them does it under a lock while the
# others wait.
if [[ ! -e "$state/prefix-ready" ]]; then
    (
        flock 9
        if [[ ! -e "$state/prefix-ready" ]]; then
            "$wine" wineboot.exe --init >/dev/null 2>&1
            "$wineserver" -w
            touch "$state/prefix-ready"
        fi
    ) 9>"$state/prefix.lock"
fi

exec "$wine" "$@"
