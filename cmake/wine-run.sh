#!/usr/bin/env bash
# Runs a Windows program of the cross build under Wine, with everything Wine
# keeps (its prefix, temporary files) inside the build folder, so a test run
# never touches the user's own ~/.wine.
#
#   wine-run.sh BUILD_DIR PROGRAM [ARGUMENTS...]   run PROGRAM, exit with its code
#   wine-run.sh BUILD_DIR --shutdown                stop this build's wineserver
#
# WYLO_WINE_DISPLAY=x11 runs PROGRAM with Wine's X11 driver on the X display in
# DISPLAY, in a prefix of its own (BUILD_DIR/wine/prefix-x11), for a program
# whose window is clicked and painted there (bench/compare-responsiveness);
# otherwise no window reaches an X server.
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
locale="${WYLO_TEST_LOCALE:-C.UTF-8}"
# Wine keeps the user's regional settings in the prefix's registry, shared by
# every program running in it, so each locale gets a prefix of its own.
# The X11 driver is a setting of the prefix too.
display="${WYLO_WINE_DISPLAY:-null}"
case $display in
null) prefix="$state/prefix" ;;
x11) prefix="$state/prefix-x11" ;;
*) echo "wine-run.sh: WYLO_WINE_DISPLAY is x11 or unset, not $display" >&2; exit 2 ;;
esac
if [[ $locale == C.UTF-8 ]]; then
    export WINEPREFIX="$prefix"
else
    export WINEPREFIX="$prefix-${locale//[^A-Za-z0-9_]/_}"
fi
export TMPDIR="$state/tmp"
# WYLO_WINEDEBUG shows Wine's own messages while looking into a failure
# (err+all: its errors).
export WINEDEBUG="${WYLO_WINEDEBUG:--all}"
# No .NET or Gecko installers, no menu entries, and no debugger: without
# winedbg.exe=d a crashing program can end with exit code 0.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
# Never open windows on the developer's screen (the prefix uses the null
# display driver anyway), unless asked to.
if [[ $display == x11 ]]; then
    [[ -n "${DISPLAY:-}" ]] || { echo "wine-run.sh: WYLO_WINE_DISPLAY=x11 needs DISPLAY" >&2; exit 2; }
    unset WAYLAND_DISPLAY
else
    unset DISPLAY WAYLAND_DISPLAY
fi

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
    for prefix in "$state"/prefix*/; do
        [[ -d $prefix ]] && WINEPREFIX="${prefix%/}" "$wineserver" -k >/dev/null 2>&1
    done
    exit 0
fi

wine=$(find_tool wine64 wine) || {
    echo "wine-run.sh: wine64 not found (install wine64)" >&2
    exit 127
}

mkdir -p "$TMPDIR"

# Debian's Wine puts its server's socket in /run/user/UID/wine when that
# folder exists. Otherwise it uses a randomly named folder under TMPDIR, whose
# name every Wine program and server reads back from the prefix's
# "wineserver" file at start, through getline() on an uninitialised pointer:
# undefined behaviour at every start, and the likely reason a program of a
# long test run now and then ended at once with status 1 and no output. The
# runtime folder avoids that path; it holds only the servers' sockets, in a
# folder of each prefix's own.
runtime="/run/user/$(id -u)"
if [[ ! -d $runtime ]]; then
    mkdir -p -m 0700 "$runtime" 2>/dev/null || true
fi

# The first run creates the prefix (half a minute on a slow machine), and the
# first program of every server session starts Wine's server and boots the
# session (services, the desktop process). Programs that start in parallel
# while that happens can find a server that is still starting or already
# shutting down, and then end at once, printing nothing. So whichever program
# comes first does all of it under a lock, with its output away from any test,
# and the others wait for the lock and find a running, booted server.
(
    flock 9
    if [[ ! -e "$WINEPREFIX.ready" ]]; then
        LC_ALL=$locale "$wine" wineboot.exe --init >/dev/null 2>&1 9>&-
        # Wine's display-less driver: top-level windows work, and nothing
        # ever connects to an X server.
        if [[ $display == null ]]; then
            LC_ALL=$locale "$wine" reg.exe add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f \
                >/dev/null 2>&1 9>&-
        fi
        "$wineserver" -w 9>&-
        touch "$WINEPREFIX.ready"
    fi
    # Starting Wine's server and services costs about a second per program;
    # one server kept for a while after the last program serves a whole test
    # run, and it never times out in the middle of one. (The CTest cleanup
    # test stops it at the end.) Exit status 2: a server is running already.
    "$wineserver" -p600 >/dev/null 2>&1 9>&-
    if (($? == 0)); then
        # A new server: boot its session now, before any test program. (Nothing
    # started here may keep the lock's descriptor: the server and services
    # outlive this script.)
        LC_ALL=$locale "$wine" cmd.exe /c exit 0 </dev/null >/dev/null 2>&1 9>&-
    fi
) 9>"$WINEPREFIX.lock"

# Wine's services (started by whichever program comes first) inherit that
# program's output and hold it open for as long as they run, which would keep
# CTest waiting for that test until the end of the run. So the program writes
# into a file, shown once it has ended.
output=$(mktemp "$TMPDIR/output.XXXXXX")
trap 'rm -f "$output"' EXIT
# Every program run here prints, whether it passes or fails (a GoogleTest
# program before it does anything). One that fails having printed nothing
# never started: Wine still does that now and then, so it gets two more
# tries. A program that really fails prints its failures, or fails the same
# way three times.
for attempt in 1 2 3; do
    LC_ALL=$locale "$wine" "$@" </dev/null >"$output" 2>&1
    status=$?
    if ((status == 0)) || [[ -s $output ]]; then
        break
    fi
    # Never a silent failure: say which program ended how.
    echo "wine-run.sh: $1 ended with exit status $status and printed nothing (try $attempt of 3)" >&2
done
cat "$output"
exit $status
