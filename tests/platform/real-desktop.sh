#!/usr/bin/env bash
# Starts one real desktop in a session of its own and runs the wallpaper
# check (desktop-session-check) inside it.
#
#   real-desktop.sh DESKTOP CHECKER [WYLO]
#
# DESKTOP is one of xfce, mate, lxde, sway, gnome-x11, gnome-wayland,
# plasma-x11, plasma-wayland or gnome-settings. gnome-settings runs no
# desktop: it checks the GNOME background keys through dconf, as the shell
# reads them.
# X11 desktops run on a private Xvfb (scripts/with-xvfb; one 1280x800
# monitor, or GNOME and Plasma on two side by side, the primary on the
# right), Wayland ones headless with two virtual monitors where the
# compositor can have them; each with its own D-Bus session (and a private
# stand-in for the system bus where the desktop asks for one) and private
# XDG folders, so nothing of the real user's settings is read or written.
# With WYLO, GNOME Shell and Plasma on Wayland also run Wylo itself there,
# with no X server (Plasma's session has none at all), and check the
# wallpaper it installs. sway refuses to run as root: as root, the script runs it and the check as
# an unprivileged user of its own (wylo-desktop-test, made when missing).
# Exits 77 (skipped) when the desktop is not installed.
set -euo pipefail

desktop=$1
checker=$2
wylo=${3:-}  # the program itself, for the desktops that also run it
here=$(cd "$(dirname "$0")" && pwd)

# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
    local seconds=$1
    shift
    local tries=$((seconds * 10))
    for ((i = 0; i < tries; i++)); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

if [ "${REAL_DESKTOP_INSIDE:-}" != 1 ]; then
    case "$desktop" in
    xfce) program=xfdesktop ;;
    mate) program=caja ;;
    lxde) program=pcmanfm ;;
    sway) program=sway ;;
    gnome-x11 | gnome-wayland) program=gnome-shell ;;
    plasma-x11) program=kwin_x11 ;;
    plasma-wayland) program=kwin_wayland ;;
    gnome-settings) program=gsettings ;;
    *) echo "unknown desktop $desktop" >&2; exit 2 ;;
    esac
    command -v "$program" >/dev/null || { echo "$program is not installed"; exit 77; }
    command -v dbus-run-session >/dev/null || { echo "dbus-run-session is not installed"; exit 77; }
    case "$desktop" in
    plasma-*)
        for needed in plasmashell qdbus spectacle; do
            command -v "$needed" >/dev/null || { echo "$needed is not installed"; exit 77; }
        done
        ;;
    gnome-wayland)
        # The screenshot helper is Python with GObject introspection.
        /usr/bin/python3 -c 'import gi' 2>/dev/null || { echo "python3-gi is not installed"; exit 77; }
        ;;
    esac
    if [ "$desktop" = gnome-settings ] &&
        ! gsettings list-keys org.gnome.desktop.background >/dev/null 2>&1; then
        echo "the GNOME background schema is not installed"
        exit 77
    fi

    work=$(mktemp -d "${TMPDIR:-/tmp}/wylo-desktop.XXXXXX")
    chmod 755 "$work"
    # Whatever the session left running (services D-Bus started for a
    # desktop that hung, their helpers) is known by the session's private
    # runtime folder in its environment, and ended with the test.
    end_leftovers() {
        local environ pid
        for environ in $(grep -lzx "XDG_RUNTIME_DIR=$work/runtime" /proc/[0-9]*/environ \
            2>/dev/null); do
            pid=${environ#/proc/}
            pid=${pid%/environ}
            [ "$pid" != $$ ] && kill -KILL "$pid" 2>/dev/null || true
        done
    }
    trap 'end_leftovers; rm -rf "$work"' EXIT
    # Copied so an unprivileged user can run it wherever the build lies.
    cp "$checker" "$work/check"
    chmod 755 "$work/check"
    export REAL_DESKTOP_INSIDE=1 REAL_DESKTOP_WORK=$work

    if [ "$desktop" = sway ]; then
        user=""
        if [ "$(id -u)" -eq 0 ]; then
            user=wylo-desktop-test
            id "$user" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$user"
            cp "$0" "$work/real-desktop.sh"
            chown -R "$user" "$work"
            status=0
            runuser -u "$user" -- env -i PATH="$PATH" REAL_DESKTOP_INSIDE=1 \
                REAL_DESKTOP_WORK="$work" \
                dbus-run-session -- bash "$work/real-desktop.sh" sway "$work/check" || status=$?
            exit "$status"
        fi
        status=0
        dbus-run-session -- bash "$0" sway "$work/check" || status=$?
        exit "$status"
    fi
    # The XDG folders are set before D-Bus starts, so its services use them.
    export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data \
        XDG_CACHE_HOME=$work/cache XDG_RUNTIME_DIR=$work/runtime
    mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    status=0
    case "$desktop" in
    gnome-wayland | plasma-wayland)
        # Xwayland puts its socket here and, like systemd, mutter wants the
        # folder writable by all with the sticky bit.
        if [ ! -d /tmp/.X11-unix ]; then
            mkdir -m 1777 /tmp/.X11-unix
        elif [ "$(id -u)" -eq 0 ] && [ "$(stat -c %a /tmp/.X11-unix)" != 1777 ]; then
            chmod 1777 /tmp/.X11-unix
        fi
        unset DISPLAY WAYLAND_DISPLAY
        dbus-run-session -- bash "$0" "$desktop" "$work/check" "$wylo" || status=$?
        ;;
    gnome-x11 | plasma-x11)
        # with-xvfb's two monitors: the primary 1920x1080 on the right.
        "$here/../../scripts/with-xvfb" -- \
            dbus-run-session -- bash "$0" "$desktop" "$work/check" "$wylo" || status=$?
        ;;
    *)
        "$here/../../scripts/with-xvfb" --size 1280x800 --monitor none -- \
            dbus-run-session -- bash "$0" "$desktop" "$work/check" "$wylo" || status=$?
        ;;
    esac
    exit "$status"
fi

work=$REAL_DESKTOP_WORK
log=$work/desktop.log
desktop_pid=""
helper_pids=()
system_bus_pid=""
# Every program on the session bus: the desktop's services that D-Bus
# started for it (they would otherwise wait on for a vanished bus and keep
# the test's output open).
bus_client_pids() {
    local call=(dbus-send --session --print-reply --dest=org.freedesktop.DBus
        /org/freedesktop/DBus org.freedesktop.DBus)
    "${call[@]}.ListNames" 2>/dev/null | sed -n 's/.*string "\(:[^"]*\)".*/\1/p' |
        while read -r name; do
            "${call[@]}.GetConnectionUnixProcessID" "string:$name" 2>/dev/null |
                sed -n 's/.*uint32 \([0-9]*\).*/\1/p'
        done
}
# Ends a process, forcibly when it has not ended 5 seconds after being
# asked (a shell that hung at start answers no signal it handles).
end_process() {
    kill "$1" 2>/dev/null || return 0
    for ((i = 0; i < 50; i++)); do
        case "$(ps -o stat= -p "$1" 2>/dev/null)" in
        "" | Z*) break ;; # gone, or ended and waiting to be reaped
        esac
        sleep 0.1
    done
    kill -KILL "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}
stop() {
    for pid in $desktop_pid "${helper_pids[@]}" $(bus_client_pids); do
        end_process "$pid"
    done
    if [ -n "$system_bus_pid" ]; then
        kill "$system_bus_pid" 2>/dev/null || true
    fi
}
trap stop EXIT
show_log() {
    echo "--- $desktop's output:" >&2
    tail -n 30 "$log" >&2 || true
}

# GNOME Shell and Plasma ask the system bus for accounts, power and the
# like: a private bus of their own answers (with nothing) instead.
start_system_bus() {
    local address
    exec 8>"$work/system-bus"
    dbus-daemon --session --fork --print-address=8 --print-pid=9 9>"$work/system-bus.pid"
    exec 8>&-
    address=$(head -n1 "$work/system-bus")
    system_bus_pid=$(head -n1 "$work/system-bus.pid")
    export DBUS_SYSTEM_BUS_ADDRESS=$address
}

# GNOME Shell starts in its overview, which covers the background with the
# workspaces: closed once the shell has started, until it stays closed.
close_gnome_overview() {
    local shell=(gdbus call --session -d org.gnome.Shell -o /org/gnome/Shell
        -m org.freedesktop.DBus.Properties)
    wait_for 60 grep -q "GNOME Shell started" "$log" || return 1
    for ((i = 0; i < 50; i++)); do
        "${shell[@]}.Set" org.gnome.Shell OverviewActive '<false>' >/dev/null 2>&1 || true
        if "${shell[@]}.Get" org.gnome.Shell OverviewActive 2>/dev/null | grep -q false; then
            sleep 0.5
            "${shell[@]}.Get" org.gnome.Shell OverviewActive 2>/dev/null | grep -q false && return 0
        fi
        sleep 0.2
    done
    return 1
}

# True when a StatusNotifierItem of the process $1 is in the desktop's tray.
tray_holds() {
    local item service
    for item in $(qdbus org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
        org.kde.StatusNotifierWatcher.RegisteredStatusNotifierItems 2>/dev/null); do
        service=${item%%/*}
        [ "$(qdbus org.freedesktop.DBus / org.freedesktop.DBus.GetConnectionUnixProcessID \
            "$service" 2>/dev/null)" = "$1" ] && return 0
    done
    return 1
}

# Plasma's shell, ready once it answers on the session bus.
start_plasmashell() {
    plasmashell >"$log" 2>&1 &
    desktop_pid=$!
    if ! wait_for 60 qdbus org.kde.plasmashell /PlasmaShell; then
        echo "plasmashell did not start" >&2
        show_log
        exit 1
    fi
}

# Wylo itself on this desktop, on Wayland with no X server (whatever the
# desktop offers): subscribed to a folder of two photos, one a monitor
# ("Different Image On Each Screen"), its change due at start. Once it has
# made the change and ended on SIGTERM, the first monitor must show the
# second photo and the second the first (the rotation's next two), as
# photographed by the program $1. With "tray" as $2, its icon must also be
# in the desktop's StatusNotifierItem tray.
run_wylo() {
    local screenshot=$1 tray=${2:-} photos=$work/photos greens=$work/greens
    local folder=$XDG_DATA_HOME/Wylo pid status=0
    mkdir -p "$photos" "$greens" "$folder"
    convert -size 1920x1080 xc:'#1c40c8' -quality 95 "$photos/Blue Lake.jpg"
    convert -size 1920x1080 xc:'#c8282d' -quality 95 "$photos/Red Dunes.jpg"
    convert -size 1920x1080 xc:'#28b43c' -quality 95 "$greens/Meadow.jpg"
    printf 'title: Test Photos\nfolder: %s\n\ntitle: Greens\nfolder: %s\n' "$photos" "$greens" \
        >"$folder/Channels.txt"
    # No channel host: the directory's address answers nothing. The second
    # monitor shows a channel of its own.
    printf '%s\n' '[Settings]' 'CurrentChannel=-1' "OwnChannel=$photos" 'CurrentImage=0' \
        'MultiScreenOpt=1' 'RandomOrder=0' 'EnableScheduler=1' 'ScheduleType=2' \
        'ScheduleFrequency=1' 'LastChange=01/01/20 00:00:00' "MonitorChannel2=$greens" '' \
        '[Channels]' 'DirectoryUrl=http://127.0.0.1:9/wylo.xml' >"$folder/Wylo.ini"
    env -u DISPLAY -u XAUTHORITY -u QT_QPA_PLATFORM LC_ALL=C "$wylo" >"$work/wylo.log" 2>&1 &
    pid=$!
    if ! wait_for 60 test -s "$folder/History.txt"; then
        echo "FAIL: Wylo made no change within 60 s" >&2
        status=1
    fi
    if ((status == 0)) && [ "$tray" = tray ] && ! wait_for 10 tray_holds "$pid"; then
        echo "FAIL: Wylo's tray icon is not in the desktop's tray" >&2
        status=1
    fi
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" || { echo "FAIL: Wylo ended with status $?" >&2; status=1; }
    if ((status == 0)); then
        "$work/check" --pid "$desktop_pid" --screenshot "$screenshot" \
            --expect c8282d,28b43c || status=$?
    fi
    if ((status != 0)); then
        echo "--- Wylo's output:" >&2
        cat "$work/wylo.log" >&2
    fi
    return "$status"
}

case "$desktop" in
gnome-settings)
    export XDG_CURRENT_DESKTOP=GNOME GSETTINGS_BACKEND=dconf
    unset DISPLAY
    sleep 600 &
    desktop_pid=$!
    status=0
    "$work/check" --pid "$desktop_pid" --gsettings org.gnome.desktop.background picture-uri ||
        status=$?
    exit "$status"
    ;;
xfce)
    export XDG_CURRENT_DESKTOP=XFCE
    xfdesktop --disable-wm-check >"$log" 2>&1 &
    desktop_pid=$!
    # xfdesktop lists its backdrops in xfconf once it has drawn one.
    if ! wait_for 30 sh -c 'xfconf-query -c xfce4-desktop -l | grep -q last-image'; then
        echo "xfdesktop published no backdrop" >&2
        show_log
        exit 1
    fi
    ;;
mate)
    export XDG_CURRENT_DESKTOP=MATE
    caja -n --force-desktop >"$log" 2>&1 &
    desktop_pid=$!
    ;;
lxde)
    export XDG_CURRENT_DESKTOP=LXDE
    pcmanfm --desktop >"$log" 2>&1 &
    desktop_pid=$!
    ;;
gnome-x11)
    export XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=x11 GNOME_SHELL_SESSION_MODE=user
    start_system_bus
    gnome-shell --x11 --replace >"$log" 2>&1 &
    desktop_pid=$!
    if ! close_gnome_overview; then
        echo "GNOME Shell did not start" >&2
        show_log
        exit 1
    fi
    ;;
gnome-wayland)
    export XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=wayland
    start_system_bus
    display=wylo-test-$$
    gnome-shell --wayland --headless --virtual-monitor 1920x1080 --virtual-monitor 1920x1080 \
        --wayland-display "$display" >"$log" 2>&1 &
    desktop_pid=$!
    if ! close_gnome_overview; then
        echo "GNOME Shell did not start" >&2
        show_log
        exit 1
    fi
    # Wylo runs as an X program would on this desktop, with Xwayland at hand.
    x11=$(sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$log" | head -n1)
    auth=$(ls "$XDG_RUNTIME_DIR"/.mutter-Xwaylandauth.* 2>/dev/null | head -n1)
    export WAYLAND_DISPLAY=$display DISPLAY=$x11 XAUTHORITY=$auth
    status=0
    "$work/check" --pid "$desktop_pid" --screenshot "$here/gnome-shell-screenshot" || status=$?
    if ((status == 0)) && [ -n "$wylo" ]; then
        echo "Wylo itself, without X:"
        run_wylo "$here/gnome-shell-screenshot" || status=$?
    fi
    ((status == 0)) || show_log
    exit "$status"
    ;;
plasma-x11)
    export XDG_CURRENT_DESKTOP=KDE KDE_FULL_SESSION=true KDE_SESSION_VERSION=5 XDG_SESSION_TYPE=x11
    start_system_bus
    kwin_x11 >"$work/kwin.log" 2>&1 &
    helper_pids+=($!)
    start_plasmashell
    ;;
plasma-wayland)
    export XDG_CURRENT_DESKTOP=KDE KDE_FULL_SESSION=true KDE_SESSION_VERSION=5 \
        XDG_SESSION_TYPE=wayland
    start_system_bus
    # Debian's kwin_wayland carries a file capability that stops it outside
    # a login session; a plain copy runs.
    cp /usr/bin/kwin_wayland "$work/kwin_wayland"
    display=wylo-test-$$
    KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 "$work/kwin_wayland" --virtual --width 1920 \
        --height 1080 --output-count 2 --socket "$display" >"$work/kwin.log" 2>&1 &
    helper_pids+=($!)
    if ! wait_for 30 test -S "$XDG_RUNTIME_DIR/$display"; then
        echo "kwin_wayland did not start" >&2
        tail -n 30 "$work/kwin.log" >&2
        exit 1
    fi
    # Wylo without X: monitors from the compositor, the wallpaper through
    # the shell.
    export WAYLAND_DISPLAY=$display QT_QPA_PLATFORM=wayland
    unset DISPLAY
    dbus-update-activation-environment WAYLAND_DISPLAY XDG_CURRENT_DESKTOP KDE_FULL_SESSION \
        KDE_SESSION_VERSION XDG_SESSION_TYPE QT_QPA_PLATFORM
    start_plasmashell
    status=0
    "$work/check" --pid "$desktop_pid" --screenshot "$here/plasma-screenshot" || status=$?
    if ((status == 0)) && [ -n "$wylo" ]; then
        echo "Wylo itself, without X:"
        run_wylo "$here/plasma-screenshot" tray || status=$?
    fi
    ((status == 0)) || show_log
    exit "$status"
    ;;
sway)
    export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data \
        XDG_CACHE_HOME=$work/cache XDG_RUNTIME_DIR=$work/runtime
    mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    unset DISPLAY WAYLAND_DISPLAY SWAYSOCK
    # No bar or other clients: the whole output is background.
    printf 'output HEADLESS-1 resolution 1280x800 position 0 0\n' >"$work/sway.config"
    WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
        sway -c "$work/sway.config" >"$log" 2>&1 &
    desktop_pid=$!
    socket_of() { ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock 2>/dev/null | head -n1; }
    if ! wait_for 30 sh -c 'ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock && ls "$XDG_RUNTIME_DIR"/wayland-? '; then
        echo "sway did not start" >&2
        show_log
        exit 1
    fi
    export SWAYSOCK=$(socket_of)
    WAYLAND_DISPLAY=$(basename "$(ls "$XDG_RUNTIME_DIR"/wayland-? | head -n1)")
    export WAYLAND_DISPLAY XDG_CURRENT_DESKTOP=sway
    wait_for 30 swaymsg -t get_outputs || { show_log; exit 1; }
    # First as any other wlroots compositor (before sway shows a background
    # of its own): outputs from wl_output, the picture shown by a swaybg of
    # Wylo's own. Then through sway's own setting, which comes on top.
    status=0
    echo "as another wlroots compositor:"
    env -u SWAYSOCK XDG_CURRENT_DESKTOP=wlroots \
        "$work/check" --pid "$desktop_pid" --output HEADLESS-1 || status=$?
    if ((status == 0)); then
        echo "through sway's own setting:"
        "$work/check" --pid "$desktop_pid" --output HEADLESS-1 || status=$?
    fi
    ((status == 0)) || show_log
    exit "$status"
    ;;
esac

status=0
"$work/check" --pid "$desktop_pid" || status=$?
((status == 0)) || show_log
exit "$status"
