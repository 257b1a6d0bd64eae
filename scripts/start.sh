#!/usr/bin/env bash
# Sets up and builds Netkestrel, then starts the program's window. Without a
# display it says so and prints the command line's usage instead.
#
# The set-up needs root; the window never runs as root. Run through sudo, the
# built ARP helper gets the one privilege of the raw ARP path (cap_net_raw, as
# the package gives the installed one; the Qt programs get none) and the
# window opens as the user who called sudo, on that user's display.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=$(bash scripts/setup.sh | tail -n 1)

run_as=()
if [ "$(id -u)" -eq 0 ]; then
    if [ -z "${SUDO_USER:-}" ] || [ "$SUDO_USER" = root ]; then
        if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
            echo "start: the window does not run as root. Start this script with sudo from your own" >&2
            echo "start: desktop session (sudo bash scripts/start.sh), or run $build_dir/bin/netkestrel as yourself." >&2
            exit 1
        fi
    else
        # An older start.sh gave the programs themselves the capability.
        for program in netkestrel netkestrel-cli; do
            [ -z "$(getcap "$build_dir/bin/$program" 2>/dev/null)" ] || setcap -r "$build_dir/bin/$program"
        done
        helper=$build_dir/bin/netkestrel-arp
        if [ -x "$helper" ]; then
            setcap cap_net_raw+p "$helper" ||
                echo "start: setcap failed on $helper; scans take the kernel's neighbour table" >&2
        fi
        uid=$(id -u "$SUDO_USER")
        # sudo keeps DISPLAY and XAUTHORITY but drops the session's Wayland
        # socket and runtime folder; the user's own ones are found again here.
        runtime=${XDG_RUNTIME_DIR:-/run/user/$uid}
        [ "$runtime" = /run/user/0 ] && runtime=/run/user/$uid
        session=()
        [ -d "$runtime" ] && session+=("XDG_RUNTIME_DIR=$runtime")
        wayland=${WAYLAND_DISPLAY:-}
        if [ -z "$wayland" ] && [ -z "${DISPLAY:-}" ] && [ -S "$runtime/wayland-0" ]; then
            wayland=wayland-0
        fi
        [ -n "$wayland" ] && session+=("WAYLAND_DISPLAY=$wayland")
        [ -n "${DISPLAY:-}" ] && session+=("DISPLAY=$DISPLAY")
        [ -n "${XAUTHORITY:-}" ] && session+=("XAUTHORITY=$XAUTHORITY")
        # runuser sets HOME, USER and LOGNAME for the user, so the data and
        # settings are the user's own.
        run_as=(runuser -u "$SUDO_USER" -- env "${session[@]}")
        [ -n "$wayland" ] && export WAYLAND_DISPLAY=$wayland
        if ! "${run_as[@]}" test -x "$build_dir/bin/netkestrel"; then
            echo "start: $SUDO_USER cannot run $(realpath "$build_dir")/bin/netkestrel (a folder on the way is" >&2
            echo "start: closed to that user); put the checkout where $SUDO_USER can read it." >&2
            exit 1
        fi
    fi
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "start: no display (\$DISPLAY and \$WAYLAND_DISPLAY are empty), so the window cannot open." >&2
    echo "start: run $build_dir/bin/netkestrel from a desktop session; here is the command line instead:" >&2
    # Without a command netkestrel-cli refuses (status 2); here the usage is what was asked for.
    [ $# -gt 0 ] || set -- --help
    exec "${run_as[@]}" "$build_dir/bin/netkestrel-cli" "$@"
fi
exec "${run_as[@]}" "$build_dir/bin/netkestrel" "$@"
