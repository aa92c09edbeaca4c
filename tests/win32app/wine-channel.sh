# shellcheck shell=bash
# shellcheck disable=SC2034  # wine, wineserver, base, server_pid and wylo_pid are for the caller
# Shared by the runs of the Windows program under Wine (sourced): Wine and
# its server, and a channel of three flat pictures served on loopback.

find_wine() {
    local name
    for name in "$@"; do
        command -v "$name" 2>/dev/null && return 0
        [[ -x "/usr/lib/wine/$name" ]] && { echo "/usr/lib/wine/$name"; return 0; }
    done
    return 1
}
wine=$(find_wine wine64 wine) || { echo "wine not found" >&2; exit 127; }
wineserver=$(find_wine wineserver64 wineserver) || { echo "wineserver not found" >&2; exit 127; }

# start_in_prefix WORK NAME: a fresh Wine prefix with the X11 driver in
# WORK/prefix (the test runner's prefix uses the null driver); Wylo, the
# channel host and Wine's server end with the script (wylo_pid, server_pid);
# fail MESSAGE ends it, naming the run NAME.
start_in_prefix() {
    local work=$1
    run_name=$2
    rm -rf "$work"
    mkdir -p "$work/tmp"
    export WINEPREFIX="$work/prefix" TMPDIR="$work/tmp" WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
    server_pid=""
    wylo_pid=""
    trap end_prefix_run EXIT
}
end_prefix_run() {
    [[ -n "$wylo_pid" ]] && kill "$wylo_pid" 2>/dev/null
    [[ -n "$server_pid" ]] && kill "$server_pid" 2>/dev/null
    "$wineserver" -k 2>/dev/null || true
    wait 2>/dev/null || true
}
fail() {
    echo "$run_name: $*" >&2
    exit 1
}

# serve_flat_channel WORK: publishes the channel "flat" in WORK/site and
# serves it on a free port of 127.0.0.1; sets base (the host's address) and
# server_pid. The caller ends the server.
serve_flat_channel() {
    local work=$1 port i images=""
    local colours=("200 60 40" "40 160 80" "50 90 200")
    local titles=("Red Rocks" "Green Hills" "Blue Bay")
    mkdir -p "$work/site/flat"
    port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    base="http://127.0.0.1:$port"
    for i in 0 1 2; do
        # shellcheck disable=SC2086
        flat_jpeg "$work/site/flat/i$i.jpg" 320 200 ${colours[$i]}
        # shellcheck disable=SC2086
        flat_jpeg "$work/site/flat/t$i.jpg" $((80 + 20 * i)) 60 ${colours[$i]}
        images+="<image><loc>$base/flat/i$i.jpg</loc><thumb>$base/flat/t$i.jpg</thumb>"
        images+="<title>${titles[$i]}</title><background>#102030</background><font>#ffffff</font></image>"
    done
    flat_jpeg "$work/site/flat/preview.jpg" 160 100 120 120 160
    cat >"$work/site/flat/Channel.xml" <<XML
<provider><title>Flat Colours</title><description>Three plain pictures.
Served on this machine for the test.</description><preview>$base/flat/preview.jpg</preview>
<legal>$base/terms.html</legal><copyright>Free to use</copyright><images>$images</images></provider>
XML
    cat >"$work/site/wylo.xml" <<XML
<wylo><PROVIDERS><p><id>flat</id><url>$base/flat/Channel.xml</url></p></PROVIDERS></wylo>
XML
    # A plain file server, except that once the file "hang" exists in the
    # work folder a picture it is asked for never arrives: it notes the
    # request in "hung" and sends a byte now and then, so no read timeout
    # ends the transfer.
    cat >"$work/server.py" <<'PY'
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
    python3 "$work/server.py" "$port" "$work" >"$work/server.log" 2>&1 &
    server_pid=$!
    for _ in $(seq 1 100); do
        python3 -c "import urllib.request; urllib.request.urlopen('$base/wylo.xml')" 2>/dev/null && break
        sleep 0.1
    done
}

# flat_jpeg FILE WIDTH HEIGHT R G B: a JPEG of one colour.
flat_jpeg() {
    LC_ALL=C awk -v w="$2" -v h="$3" -v r="$4" -v g="$5" -v b="$6" 'BEGIN {
        printf "P3\n%d %d\n255\n", w, h
        for (y = 0; y < h; y++) { for (x = 0; x < w; x++) printf "%d %d %d ", r, g, b; print "" }
    }' | cjpeg -quality 90 -outfile "$1"
}

# wait_for_change FILE OLD_SUM SECONDS: prints the new checksum of FILE once
# it differs from OLD_SUM ("none" for a file still missing).
wait_for_change() {
    local sum
    for _ in $(seq 1 $(($3 * 10))); do
        if [[ -s "$1" ]]; then
            sum=$(md5sum <"$1")
            [[ "$sum" != "$2" ]] && { echo "$sum"; return 0; }
        fi
        sleep 0.1
    done
    return 1
}
