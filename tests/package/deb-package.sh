#!/usr/bin/env bash
# The Debian package end to end, on this machine:
#   - CPack makes wylo_<version>_amd64.deb from the build's own binaries;
#     lintian finds no error in it, appstreamcli accepts its metainfo and
#     desktop-file-validate its menu entry;
#   - apt-get installs it: the programs, the web helper off the PATH, the
#     menu entry, the icons, the manual pages and the documents are where
#     Debian wants them, and nothing new lies outside the package's files;
#   - the installed /usr/bin/wylo tells its version and, under Xvfb, changes
#     the desktop from a channel served on loopback (the end-to-end test run
#     against it), writing nothing outside the user's folders;
#   - apt-get remove takes it all away again.
# Installing needs root; without it the test is skipped (exit 77).
#
#   deb-package.sh BUILD_DIR E2E_TESTS VERSION WITH_XVFB
set -euo pipefail

build=$1
e2e=$2
version=$3
with_xvfb=$4

skip() {
    echo "deb-package: skipped: $*"
    exit 77
}
fail() {
    echo "deb-package: $*" >&2
    exit 1
}

[[ "$(id -u)" -eq 0 ]] || skip "installing a package with apt-get needs root (CI runs as root)"
for tool in cpack apt-get dpkg dpkg-deb lintian appstreamcli desktop-file-validate; do
    command -v "$tool" >/dev/null || skip "$tool is missing (scripts/setup installs it)"
done
installed() {
    dpkg-query -W -f='${Status}' wylo 2>/dev/null | grep -q 'install ok installed'
}
if installed; then
    fail "a wylo package is installed on this machine already; remove it (apt-get remove wylo) first"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/wylo-deb.XXXXXX")
cleanup() {
    # A run cut short leaves the machine as it found it.
    if installed; then
        DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq wylo >/dev/null 2>&1 || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# Everything on the machine outside the users' folders and the package
# manager's own records, caches and logs.
snapshot() {
    find /usr /etc /opt /srv /var -xdev \
        \( -path /var/lib/dpkg -o -path /var/lib/apt -o -path /var/cache -o -path /var/log \
           -o -path /var/tmp \) -prune -o -print | LC_ALL=C sort
}

# --- The package ---
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    fail "cpack failed: $(tail -20 "$work/cpack.log")"
deb="$work/out/wylo_${version}_amd64.deb"
[[ -f "$deb" ]] || fail "no $(basename "$deb"): $(ls "$work/out")"
echo "deb-package: made $(basename "$deb") ($(du -k "$deb" | cut -f1) KB)"

lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 ||
    fail "lintian reports errors: $(cat "$work/lintian.log")"
echo "deb-package: lintian reports no error$(grep -c '^W:' "$work/lintian.log" | sed 's/^0$//; s/.\+/ (& warnings)/')"

dpkg-deb -x "$deb" "$work/root"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/org.wylo.Wylo.metainfo.xml" \
    >"$work/appstream.log" 2>&1 || fail "appstreamcli rejects the metainfo: $(cat "$work/appstream.log")"
desktop-file-validate "$work/root/usr/share/applications/wylo.desktop" ||
    fail "desktop-file-validate rejects the menu entry"
for file in usr/bin/wylo usr/bin/wylo-channel usr/libexec/wylo/wylo-web \
    usr/share/applications/wylo.desktop usr/share/metainfo/org.wylo.Wylo.metainfo.xml \
    usr/share/icons/hicolor/16x16/apps/wylo.png usr/share/icons/hicolor/48x48/apps/wylo.png \
    usr/share/icons/hicolor/256x256/apps/wylo.png usr/share/man/man1/wylo.1.gz \
    usr/share/man/man1/wylo-channel.1.gz usr/share/doc/wylo/copyright usr/share/doc/wylo/changelog.gz; do
    [[ -e "$work/root/$file" ]] || fail "the package lacks /$file"
done
[[ ! -e "$work/root/usr/bin/wylo-web" ]] || fail "the web helper is on the PATH"
# The program finds its helper from its own place.
python3 -c 'import sys; sys.exit("../libexec/wylo/wylo-web".encode("utf-16-le") not in open(sys.argv[1], "rb").read())' \
    "$work/root/usr/bin/wylo" ||
    fail "wylo does not look for its helper in /usr/libexec/wylo"
depends=$(dpkg-deb -f "$deb" Depends)
for need in libcurl4 libqt6widgets6 libqt6webenginewidgets6 qt6-qpa-plugins; do
    grep -q "$need" <<<"$depends" || fail "Depends lacks $need: $depends"
done
echo "deb-package: metainfo, menu entry, files and dependencies are right"

# --- Installed ---
snapshot >"$work/before"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" \
    >"$work/install.log" 2>&1 || fail "apt-get install failed: $(tail -20 "$work/install.log")"
installed || fail "apt-get install did not install wylo"
snapshot >"$work/installed"
dpkg -L wylo | LC_ALL=C sort >"$work/owned"
LC_ALL=C comm -13 "$work/before" "$work/installed" | LC_ALL=C comm -23 - "$work/owned" >"$work/stray"
[[ ! -s "$work/stray" ]] || fail "installing made files outside the package: $(cat "$work/stray")"
[[ "$(/usr/bin/wylo --version)" == "Wylo $version" ]] || fail "wylo --version says: $(/usr/bin/wylo --version)"
/usr/bin/wylo --help | grep -q -- '--version' || fail "wylo --help does not name --version"
[[ "$(/usr/bin/wylo-channel --version)" == "wylo-channel $version" ]] ||
    fail "wylo-channel --version says: $(/usr/bin/wylo-channel --version)"
status=0
QT_QPA_PLATFORM=offscreen /usr/bin/wylo --no-such-option >/dev/null 2>"$work/mistake.txt" || status=$?
if [[ $status -ne 2 ]] || ! grep -q "unknown argument '--no-such-option'" "$work/mistake.txt"; then
    fail "wylo --no-such-option ended with $status: $(cat "$work/mistake.txt")"
fi
echo "deb-package: installed, nothing outside its files; --version and --help answer"

# The end-to-end run against the installed program: its own X server, a tray,
# a loopback channel host and a home of its own.
WYLO_PROGRAM=/usr/bin/wylo QTWEBENGINE_DISABLE_SANDBOX=1 "$with_xvfb" --tray -- \
    "$e2e" --gtest_filter=EndToEnd.DifferentImageOnEachScreen >"$work/e2e.log" 2>&1 ||
    fail "the installed wylo did not change the desktop: $(tail -40 "$work/e2e.log")"
snapshot >"$work/after-run"
LC_ALL=C comm -3 "$work/installed" "$work/after-run" >"$work/written"
[[ ! -s "$work/written" ]] || fail "running wylo changed files outside the user's folders: $(cat "$work/written")"
echo "deb-package: the installed wylo changed the desktop and wrote only into the user's folders"

# --- Removed ---
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq wylo >"$work/remove.log" 2>&1 ||
    fail "apt-get remove failed: $(tail -20 "$work/remove.log")"
! installed || fail "apt-get remove left wylo installed"
dpkg-query -W -f='${Status}' wylo 2>/dev/null | grep -q 'config-files' &&
    fail "apt-get remove left configuration files"
snapshot >"$work/after"
LC_ALL=C comm -3 "$work/before" "$work/after" >"$work/left"
[[ ! -s "$work/left" ]] || fail "apt-get remove left this behind: $(cat "$work/left")"
echo "deb-package: apt-get remove left nothing behind"
