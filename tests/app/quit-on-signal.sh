#!/usr/bin/env bash
# A session that logs out ends the program with SIGTERM or SIGHUP: the real
# program, offscreen, in a network namespace of its own with nothing but a
# loopback that is down, ends with status 0 and has stored its window's
# placement, as on Exit. Skipped (77) without the right to make the namespace.
set -euo pipefail
source "$NETKESTREL_SOURCE_DIR/tests/net/check.sh"
program="$NETKESTREL_BIN_DIR/netkestrel"

if [ -z "${NETKESTREL_IN_OWN_NETNS:-}" ]; then
    unshare --net true 2>/dev/null || { echo "SKIP: cannot make a network namespace"; exit 77; }
    NETKESTREL_IN_OWN_NETNS=1 exec unshare --net bash "$0" "$@"
fi

work=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -m 700 "$work/run"
export QT_QPA_PLATFORM=offscreen TMPDIR="$work" XDG_RUNTIME_DIR="$work/run" XDG_DATA_HOME="$work/data"
unset DISPLAY WAYLAND_DISPLAY

for signal in TERM HUP; do
    export XDG_CONFIG_HOME="$work/config-$signal"
    conf="$XDG_CONFIG_HOME/Netkestrel/Netkestrel.conf"
    "$program" --data-dir "$work/data-$signal" >"$work/$signal.log" 2>&1 &
    pid=$!
    # Up once its single-instance socket listens.
    for _ in $(seq 200); do [ -n "$(ls "$work/run")" ] && break; sleep 0.05; done
    sleep 0.5
    kill -"$signal" "$pid"
    status=0
    timeout 20 tail --pid="$pid" -f /dev/null || status=124
    wait "$pid" || status=$?
    pid=
    check "SIG$signal ends the program cleanly" 0 "$status"
    check "SIG$signal keeps the window's size" yes "$(grep -q '^size=' "$conf" 2>/dev/null && echo yes || echo no)"
    rm -rf "$work/run"/*
done

check_summary
