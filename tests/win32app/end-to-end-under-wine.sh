#!/usr/bin/env bash
# Wylo.exe end to end under Wine, with the X11 driver on the display in
# DISPLAY (scripts/with-xvfb gives a private one) and a channel served on
# loopback:
#   - the window "Wylo" exists;
#   - the first tick of the schedule changes the desktop: desktop.bmp in
#     C:\ProgramData\Wylo and the registry's "Wallpaper" and "TileWallpaper";
#   - "Change Now" from the tray menu changes it again;
#   - a close while the host hangs on the next picture ends the window and
#     the process at once, keeps the desktop as it was and saves Wylo.ini,
#     keeping what Wylo does not use.
# With WYLO_SCREENSHOT=FILE a picture of the screen is saved once the desktop
# has changed.
#
#   end-to-end-under-wine.sh WORK_DIR WYLO_EXE DRIVER_EXE
set -euo pipefail

work=$1
wylo_exe=$2
driver_exe=$3
[[ -n "${DISPLAY:-}" ]] || { echo "end-to-end: needs an X display" >&2; exit 1; }

find_wine() {
    local name
    for name in "$@"; do
        command -v "$name" 2>/dev/null && return 0
        [[ -x "/usr/lib/wine/$name" ]] && { echo "/usr/lib/wine/$name"; return 0; }
    done
    return 1
}
wine=$(find_wine wine64 wine) || { echo "end-to-end: wine not found" >&2; exit 127; }
wineserver=$(find_wine wineserver64 wineserver) || { echo "end-to-end: wineserver not found" >&2; exit 127; }

rm -rf "$work"
mkdir -p "$work/tmp" "$work/site/flat"
# A prefix of its own, with the X11 driver (the test runner's prefix uses the
# null driver).
export WINEPREFIX="$work/prefix" TMPDIR="$work/tmp" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"

server_pid=""
wylo_pid=""
cleanup() {
    [[ -n "$wylo_pid" ]] && kill "$wylo_pid" 2>/dev/null
    [[ -n "$server_pid" ]] && kill "$server_pid" 2>/dev/null
    "$wineserver" -k 2>/dev/null || true
    wait 2>/dev/null || true
}
trap cleanup EXIT

fail() {
    echo "end-to-end: $*" >&2
    exit 1
}

# --- The channel: three flat pictures with thumbnails, served on loopback ---
jpeg() {  # FILE WIDTH HEIGHT R G B
    LC_ALL=C awk -v w="$2" -v h="$3" -v r="$4" -v g="$5" -v b="$6" 'BEGIN {
        printf "P3\n%d %d\n255\n", w, h
        for (y = 0; y < h; y++) { for (x = 0; x < w; x++) printf "%d %d %d ", r, g, b; print "" }
    }' | cjpeg -quality 90 -outfile "$1"
}
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
base="http://127.0.0.1:$port"
colours=("200 60 40" "40 160 80" "50 90 200")
titles=("Red Rocks" "Green Hills" "Blue Bay")
images=""
for i in 0 1 2; do
    # shellcheck disable=SC2086
    jpeg "$work/site/flat/i$i.jpg" 320 200 ${colours[$i]}
    # shellcheck disable=SC2086
    jpeg "$work/site/flat/t$i.jpg" $((80 + 20 * i)) 60 ${colours[$i]}
    images+="<image><loc>$base/flat/i$i.jpg</loc><thumb>$base/flat/t$i.jpg</thumb>"
    images+="<title>${titles[$i]}</title><background>#102030</background><font>#ffffff</font></image>"
done
jpeg "$work/site/flat/preview.jpg" 160 100 120 120 160
cat >"$work/site/flat/Channel.xml" <<XML
<provider><title>Flat Colours</title><description>Three plain pictures.
Served on this machine for the test.</description><preview>$base/flat/preview.jpg</preview>
<legal>$base/terms.html</legal><copyright>Free to use</copyright><images>$images</images></provider>
XML
cat >"$work/site/wylo.xml" <<XML
<wylo><PROVIDERS><p><id>flat</id><url>$base/flat/Channel.xml</url></p></PROVIDERS></wylo>
XML
# A plain file server, except that once the file "hang" exists in the work
# folder a picture it is asked for never arrives: it notes the request in
# "hung" and sends a byte now and then, so no read timeout ends the transfer.
python3 - "$port" "$work" >"$work/server.log" 2>&1 <<'PY' &
import functools, http.server, os, sys, time
port, work = int(sys.argv[1]), sys.argv[2]
class Handler(http.server.SimpleHTTPRequestHandler):
    def held(self):
        if not (self.path.startswith("/flat/i") and os.path.exists(os.path.join(work, "hang"))):
            return False
        open(os.path.join(work, "hung"), "w").close()
        self.send_response(200)
        self.send_header("Content-Type", "image/jpeg")
        self.send_header("Content-Length", "1000000")
        self.end_headers()
        try:
            for _ in range(1200):
                if self.command == "GET":
                    self.wfile.write(b"\xff")
                    self.wfile.flush()
                time.sleep(0.5)
        except OSError:
            pass
        return True
    def do_HEAD(self):
        if not self.held():
            super().do_HEAD()
    def do_GET(self):
        if not self.held():
            super().do_GET()
handler = functools.partial(Handler, directory=os.path.join(work, "site"))
http.server.ThreadingHTTPServer(("127.0.0.1", port), handler).serve_forever()
PY
server_pid=$!
for _ in $(seq 1 100); do
    python3 -c "import urllib.request; urllib.request.urlopen('$base/wylo.xml')" 2>/dev/null && break
    sleep 0.1
done

# --- The prefix and the settings: subscribed to the channel, a change long due ---
"$wine" wineboot -i >/dev/null 2>&1 || true
"$wineserver" -w
app_folder="$WINEPREFIX/drive_c/ProgramData/Wylo"
mkdir -p "$app_folder"
printf '; written by the end-to-end run\r\n[Other]\r\nKeep=This\r\n[Channels]\r\nDirectoryUrl=%s/wylo.xml\r\n[Settings]\r\nCurrentChannel=0\r\nRandomOrder=0\r\nLastChange=1/1/2020\r\nFGColour=16777215\r\n' \
    "$base" >"$app_folder/Wylo.ini"

# --- Wylo runs ---
"$wine" "$wylo_exe" >"$work/wylo.log" 2>&1 &
wylo_pid=$!
"$wine" "$driver_exe" wait-window 90 || fail "the window \"Wylo\" did not appear"
echo "end-to-end: the window is there"

desktop="$app_folder/desktop.bmp"
wait_for_change() {  # OLD_SUM SECONDS
    local sum
    for _ in $(seq 1 $(($2 * 10))); do
        if [[ -s "$desktop" ]]; then
            sum=$(md5sum <"$desktop")
            [[ "$sum" != "$1" ]] && { echo "$sum"; return 0; }
        fi
        sleep 0.1
    done
    return 1
}
first=$(wait_for_change none 90) || fail "the first tick did not make desktop.bmp"
echo "end-to-end: the first tick changed the desktop"
registry=$("$wine" reg query 'HKCU\Control Panel\Desktop' 2>/dev/null | tr -d '\r')
grep -Eq 'Wallpaper[[:space:]]+REG_SZ[[:space:]]+C:\\ProgramData\\Wylo\\desktop\.bmp' <<<"$registry" ||
    fail "the registry's Wallpaper is not desktop.bmp: $registry"
grep -Eq 'TileWallpaper[[:space:]]+REG_SZ[[:space:]]+1' <<<"$registry" ||
    fail "the registry's TileWallpaper is not 1: $registry"

if [[ -n "${WYLO_SCREENSHOT:-}" ]]; then
    sleep 2
    import -window root "$WYLO_SCREENSHOT"
    echo "end-to-end: screenshot in $WYLO_SCREENSHOT"
fi

# The tray menu's "&Change Now" sends this command.
"$wine" "$driver_exe" command 40002 || fail "could not send Change Now"
wait_for_change "$first" 30 >/dev/null || fail "Change Now did not change the desktop"
echo "end-to-end: Change Now changed the desktop again"

# The host stops answering for pictures.
touch "$work/hang"
"$wine" "$driver_exe" command 40002 || fail "could not send Change Now"
for _ in $(seq 1 300); do
    [[ -e "$work/hung" ]] && break
    sleep 0.1
done
[[ -e "$work/hung" ]] || fail "the change did not ask for a picture"
# The change before it has ended: its wallpaper is whole.
second=$(md5sum <"$desktop")
echo "end-to-end: a change waits on a host that does not answer"

"$wine" "$driver_exe" close
# Wine on a display without a window manager waits two seconds for the hidden
# window and two more for the icon's removal; Windows does neither.
"$wine" "$driver_exe" wait-gone 10 || fail "the window did not go at once"
for _ in $(seq 1 50); do
    kill -0 "$wylo_pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$wylo_pid" 2>/dev/null && fail "Wylo still runs 5 s after its window went"
wait "$wylo_pid" || true
wylo_pid=""
[[ "$(md5sum <"$desktop")" == "$second" ]] || fail "the cut-short change touched desktop.bmp"
echo "end-to-end: the close ended Wylo at once and left the desktop as it was"
saved=$(tr -d '\r' <"$app_folder/Wylo.ini")
for line in '; written by the end-to-end run' 'Keep=This' 'DirectoryUrl=' 'CurrentChannel=0' \
    'CurrentImage=' 'EnableScheduler=1' 'FGColour=16777215'; do
    grep -qF "$line" <<<"$saved" || fail "Wylo.ini lacks \"$line\" after closing: $saved"
done
echo "end-to-end: closing saved Wylo.ini and kept its other content"
