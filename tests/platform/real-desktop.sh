#!/usr/bin/env bash
# Starts one real desktop in a session of its own and runs the wallpaper
# check (desktop-session-check) inside it.
#
#   real-desktop.sh xfce|mate|lxde|sway|gnome-settings CHECKER
#
# gnome-settings runs no desktop (GNOME Shell is too heavy for the test
# run): it checks the GNOME background keys through dconf, as the shell
# reads them.
# X11 desktops run on a private Xvfb (scripts/with-xvfb, one 1280x800
# monitor) with their own D-Bus session and private XDG folders, so nothing
# of the real user's settings is read or written. sway refuses to run as
# root: as root, the script runs it and the check as an unprivileged user of
# its own (wylo-desktop-test, made when missing). Exits 77 (skipped) when the
# desktop is not installed.
set -euo pipefail

desktop=$1
checker=$2
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
    gnome-settings) program=gsettings ;;
    *) echo "unknown desktop $desktop" >&2; exit 2 ;;
    esac
    command -v "$program" >/dev/null || { echo "$program is not installed"; exit 77; }
    command -v dbus-run-session >/dev/null || { echo "dbus-run-session is not installed"; exit 77; }
    if [ "$desktop" = gnome-settings ] &&
        ! gsettings list-keys org.gnome.desktop.background >/dev/null 2>&1; then
        echo "the GNOME background schema is not installed"
        exit 77
    fi

    work=$(mktemp -d "${TMPDIR:-/tmp}/wylo-desktop.XXXXXX")
    chmod 755 "$work"
    trap 'rm -rf "$work"' EXIT
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
    "$here/../../scripts/with-xvfb" --size 1280x800 --monitor none -- \
        dbus-run-session -- bash "$0" "$desktop" "$work/check" || status=$?
    exit "$status"
fi

work=$REAL_DESKTOP_WORK
log=$work/desktop.log
desktop_pid=""
stop() {
    if [ -n "$desktop_pid" ]; then
        kill "$desktop_pid" 2>/dev/null || true
        wait "$desktop_pid" 2>/dev/null || true
    fi
}
trap stop EXIT
show_log() {
    echo "--- $desktop's output:" >&2
    tail -n 30 "$log" >&2 || true
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
