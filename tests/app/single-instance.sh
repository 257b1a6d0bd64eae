#!/usr/bin/env bash
# The single-instance guard end to end: the real program under a virtual X
# server of the test's own, in a network namespace of its own with nothing
# but a loopback that is down, so that even an automatic step could reach
# no network. A second plain start and a "mini" start hand over and end with
# status 0; after the first is killed, its left-over socket does not stop the
# next start. SIGTERM and SIGHUP (a session that logs out) end it as Exit
# does: status 0 and the window's placement stored. Skipped (77) without Xvfb or without the right to make the
# namespace.
set -euo pipefail
source "$NETKESTREL_SOURCE_DIR/tests/net/check.sh"
program="$NETKESTREL_BIN_DIR/netkestrel"

command -v Xvfb >/dev/null || { echo "SKIP: no Xvfb"; exit 77; }
if [ -z "${NETKESTREL_IN_OWN_NETNS:-}" ]; then
    unshare --net true 2>/dev/null || { echo "SKIP: cannot make a network namespace"; exit 77; }
    NETKESTREL_IN_OWN_NETNS=1 exec unshare --net bash "$0" "$@"
fi

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

exec 3>"$work/display"
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 >/dev/null 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "SKIP: Xvfb did not start"; exit 77; }
number=$(head -n1 "$work/display")

# Everything of the program's own in the test's folder, the guard's socket too.
mkdir -m 700 "$work/run"
export DISPLAY=":$number" TMPDIR="$work" XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" \
    XDG_DATA_HOME="$work/data"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM
socket="$work/run/netkestrel-$(id -u)-_$number"

start_first() { # starts the program in the background; waits for its socket
    "$program" --data-dir "$work/first" >"$work/first.log" 2>&1 &
    first=$!
    pids+=($first)
    for _ in $(seq 200); do [ -S "$socket" ] && return 0; sleep 0.05; done
    return 1
}
later_start() { # later_start ARGS...: the exit status of a later start (124 if it keeps running)
    local status=0
    timeout 20 "$program" --data-dir "$work/later" "$@" >>"$work/later.log" 2>&1 || status=$?
    echo $status
}
running() { kill -0 "$1" 2>/dev/null && echo running || echo ended; }

start_first
check "first start listens" yes "$([ -S "$socket" ] && echo yes || echo no)"
check "a plain later start hands over and ends" 0 "$(later_start)"
check "a mini later start hands over and ends" 0 "$(later_start mini)"
check "the first still runs" running "$(running "$first")"
check "no data folder for a later start" no "$([ -e "$work/later" ] && echo yes || echo no)"

# A crash leaves the socket file behind; the next start takes it over.
kill -KILL "$first"
wait "$first" 2>/dev/null || true
check "a crash leaves the socket" yes "$([ -S "$socket" ] && echo yes || echo no)"
"$program" --data-dir "$work/first" >"$work/second.log" 2>&1 &
restarted=$!
pids+=($restarted)
sleep 3
check "a start after a crash runs" running "$(running "$restarted")"
check "a later start finds the new one" 0 "$(later_start)"

pid=$restarted
for signal in TERM HUP; do
    kill -"$signal" "$pid"
    status=0 && wait "$pid" || status=$?
    check "SIG$signal ends as Exit does" "0 yes" \
        "$status $(grep -qs '^size=' "$work/config/Netkestrel/Netkestrel.conf" && echo yes || echo no)"
    rm -f "$work/config/Netkestrel/Netkestrel.conf"
    [ "$signal" = HUP ] || { start_first && sleep 2 && pid=$first; } # the socket comes before the window
done

check_summary
