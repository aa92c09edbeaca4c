#!/usr/bin/env bash
# The Windows installer end to end, in a fresh Wine prefix with the X11
# driver on the display in DISPLAY (scripts/with-xvfb gives a private one):
#   - a silent install (/S /STARTATLOGIN) puts Wylo.exe into the user's
#     programs folder, a Start-menu shortcut, the entry in the list of
#     installed programs and the Run value;
#   - the installed Wylo.exe tells its version and changes the desktop from a
#     channel served on loopback;
#   - a silent uninstall removes the program, the shortcut and every registry
#     entry, and leaves the user's C:\ProgramData\Wylo;
#   - a second silent install without /STARTATLOGIN writes no Run value;
#   - both the installer and the zip beside it carry the version, and the
#     zip holds Wylo.exe alone.
#
#   installer-under-wine.sh WORK_DIR SETUP_EXE DRIVER_EXE VERSION ZIP
set -euo pipefail

work=$1
setup_exe=$2
driver_exe=$3
version=$4
zip=$5
[[ -n "${DISPLAY:-}" ]] || { echo "installer: needs an X display" >&2; exit 1; }

# shellcheck source=tests/win32app/wine-channel.sh
source "$(dirname "$0")/wine-channel.sh"

start_in_prefix "$work" installer

reg_query() {  # KEY [VALUE]: what reg query shows, without carriage returns; nothing when missing
    local out
    if [[ $# -gt 1 ]]; then
        out=$("$wine" reg query "$1" /v "$2" 2>/dev/null) || return 0
    else
        out=$("$wine" reg query "$1" 2>/dev/null) || return 0
    fi
    tr -d '\r' <<<"$out"
}
# The uninstaller runs on from a copy of itself after the one started has
# ended: wait for what it does last.
wait_uninstalled() {
    for _ in $(seq 1 120); do
        [[ -z "$(reg_query "$uninstall_key")" ]] && return 0
        sleep 0.5
    done
    return 1
}
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Wylo'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'

"$wine" wineboot -i >/dev/null 2>&1 || true
timeout 120 "$wineserver" -w
user_dir=$(find "$WINEPREFIX/drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public -print -quit)
[[ -n "$user_dir" ]] || fail "the prefix has no user folder"
programs="$user_dir/AppData/Local/Programs/Wylo"
shortcut="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Wylo.lnk"
app_folder="$WINEPREFIX/drive_c/ProgramData/Wylo"

# --- The packages as files ---
[[ "$(basename "$setup_exe")" == "Wylo-$version-setup.exe" ]] || fail "the installer's name lacks the version"
[[ "$(basename "$zip")" == "Wylo-$version-windows.zip" ]] || fail "the zip's name lacks the version"
python3 - "$setup_exe" "$zip" "$version" <<'PY' || fail "the packages' contents or versions are wrong"
import sys, zipfile
setup, archive, version = sys.argv[1:]
names = zipfile.ZipFile(archive).namelist()
assert names == ["Wylo.exe"], names
def has_version(data):
    text = lambda s: s.encode("utf-16-le")
    return text("ProductVersion\0") in data and text(version + "\0") in data
assert has_version(open(setup, "rb").read()), "setup.exe has no version information"
assert has_version(zipfile.ZipFile(archive).read("Wylo.exe")), "Wylo.exe has no version information"
PY

# --- Silent install, start at login asked for ---
cp "$setup_exe" "$work/setup.exe"
"$wine" "$work/setup.exe" /S /STARTATLOGIN || fail "the silent install failed"
timeout 120 "$wineserver" -w
[[ -f "$programs/Wylo.exe" ]] || fail "no Wylo.exe in the user's programs folder"
[[ -f "$programs/Uninstall.exe" ]] || fail "no uninstaller beside Wylo.exe"
[[ -f "$shortcut" ]] || fail "no Start-menu shortcut"
entry=$(reg_query "$uninstall_key")
for want in "DisplayName[[:space:]]+REG_SZ[[:space:]]+Wylo" \
    "DisplayVersion[[:space:]]+REG_SZ[[:space:]]+$version" \
    'UninstallString[[:space:]]+REG_SZ[[:space:]]+"C:\\users\\[^\\]+\\AppData\\Local\\Programs\\Wylo\\Uninstall\.exe"' \
    'QuietUninstallString[[:space:]]+REG_SZ[[:space:]]+.*Uninstall\.exe" /S' \
    'DisplayIcon[[:space:]]+REG_SZ[[:space:]]+.*Wylo\.exe",0'; do
    grep -Eq "$want" <<<"$entry" || fail "the uninstall entry lacks $want: $entry"
done
grep -Eq 'Wylo[[:space:]]+REG_SZ[[:space:]]+"C:\\users\\[^\\]+\\AppData\\Local\\Programs\\Wylo\\Wylo\.exe"' \
    <<<"$(reg_query "$run_key" Wylo)" || fail "no Run value for Wylo: $(reg_query "$run_key")"
echo "installer: the silent install made the program, the shortcut, the uninstall entry and the Run value"

# --- The installed program ---
"$wine" "$programs/Wylo.exe" --version >"$work/version.txt" 2>&1 || fail "Wylo.exe --version failed"
[[ "$(tr -d '\r' <"$work/version.txt")" == "Wylo $version" ]] ||
    fail "Wylo.exe --version says: $(cat "$work/version.txt")"

serve_flat_channel "$work"
mkdir -p "$app_folder"
printf '[Channels]\r\nDirectoryUrl=%s/wylo.xml\r\n[Settings]\r\nCurrentChannel=0\r\nRandomOrder=0\r\nLastChange=1/1/2020\r\n' \
    "$base" >"$app_folder/Wylo.ini"
"$wine" "$programs/Wylo.exe" >"$work/wylo.log" 2>&1 &
wylo_pid=$!
"$wine" "$driver_exe" wait-window 90 || fail "the installed Wylo.exe showed no window"
wait_for_change "$app_folder/desktop.bmp" none 90 >/dev/null ||
    fail "the installed Wylo.exe did not change the desktop"
grep -Eq 'Wallpaper[[:space:]]+REG_SZ[[:space:]]+C:\\ProgramData\\Wylo\\desktop\.bmp' \
    <<<"$(reg_query 'HKCU\Control Panel\Desktop')" || fail "the wallpaper is not desktop.bmp"
echo "installer: the installed Wylo.exe changed the desktop"

# --- Silent uninstall, while Wylo runs: it is closed first ---
"$wine" "$programs/Uninstall.exe" /S || fail "the silent uninstall failed"
wait_uninstalled || fail "the uninstall entry is still there"
wait "$wylo_pid" 2>/dev/null || true
wylo_pid=""
[[ ! -e "$programs" ]] || fail "the program's folder is still there: $(ls -A "$programs")"
[[ ! -e "$shortcut" ]] || fail "the Start-menu shortcut is still there"
[[ -z "$(reg_query "$run_key" Wylo)" ]] || fail "the Run value is still there"
[[ -f "$app_folder/Wylo.ini" && -f "$app_folder/desktop.bmp" ]] ||
    fail "the uninstall took the user's C:\\ProgramData\\Wylo"
echo "installer: the silent uninstall removed the program and its entries and kept C:\\ProgramData\\Wylo"

# --- Installed again without start at login, then removed with the data ---
"$wine" "$work/setup.exe" /S || fail "the second silent install failed"
timeout 120 "$wineserver" -w
[[ -f "$programs/Wylo.exe" ]] || fail "the second install made no Wylo.exe"
[[ -z "$(reg_query "$run_key" Wylo)" ]] || fail "a Run value that was not asked for"
"$wine" "$programs/Uninstall.exe" /S /REMOVEDATA || fail "the second silent uninstall failed"
wait_uninstalled || fail "the second uninstall left its entry"
[[ ! -e "$programs" && ! -e "$app_folder" ]] || fail "uninstalling with /REMOVEDATA left files"
echo "installer: without /STARTATLOGIN no Run value; /REMOVEDATA removes C:\\ProgramData\\Wylo"
