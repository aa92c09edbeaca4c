#!/usr/bin/env bash
# The real program on a real X server with a tray: it starts, shows its
# window, and a SIGTERM closes it the way the close button does, saving the
# settings. Run under scripts/with-xvfb --tray.
#   program-ends-on-signal.sh <path to wylo>
set -euo pipefail
wylo=$1
home=$(mktemp -d "${TMPDIR:-/tmp}/wylo-signal.XXXXXX")
trap 'rm -rf "$home"' EXIT

# No channel host: a directory address that refuses at once.
mkdir -p "$home/data/Wylo"
printf '[Channels]\nDirectoryUrl=http://127.0.0.1:9/wylo/wylo.xml\n' >"$home/data/Wylo/Wylo.ini"

XDG_DATA_HOME="$home/data" HOME="$home" XDG_RUNTIME_DIR="$home" "$wylo" >"$home/log" 2>&1 &
pid=$!

shown=0
for _ in $(seq 1 200); do
    if xwininfo -root -tree 2>/dev/null | grep -q '"Wylo"'; then
        shown=1
        break
    fi
    sleep 0.05
done
if ((!shown)); then
    echo "the window did not appear" >&2
    cat "$home/log" >&2
    kill "$pid" 2>/dev/null || true
    exit 1
fi
sleep 0.5

kill -TERM "$pid"
status=0
wait "$pid" || status=$?
if ((status != 0)); then
    echo "wylo ended with status $status after SIGTERM" >&2
    cat "$home/log" >&2
    exit 1
fi
ini="$home/data/Wylo/Wylo.ini"
for key in CurrentChannel LastChange ScheduleFrequency FGColour; do
    grep -q "^$key=" "$ini" || { echo "settings not saved: no $key" >&2; cat "$ini" >&2; exit 1; }
done
# What the program does not own stays in the file.
grep -q '^DirectoryUrl=http://127.0.0.1:9/wylo/wylo.xml' "$ini" || { echo "DirectoryUrl lost" >&2; exit 1; }
echo "saved on SIGTERM"
