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

# shellcheck source=tests/win32app/wine-channel.sh
source "$(dirname "$0")/wine-channel.sh"

start_in_prefix "$work" end-to-end

serve_flat_channel "$work"

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
first=$(wait_for_change "$desktop" none 90) || fail "the first tick did not make desktop.bmp"
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
wait_for_change "$desktop" "$first" 30 >/dev/null || fail "Change Now did not change the desktop"
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
