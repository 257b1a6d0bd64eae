#!/usr/bin/env bash
# watch's notifiers end to end: a scan of a test network finds a new
# station while the URL's receiver is down; watch is killed with SIGKILL;
# a second watch, with the receiver up, delivers the spooled event exactly
# once. The receiver listens on the scanner namespace's own loopback.
set -euo pipefail
source "$NETKESTREL_SOURCE_DIR/tests/net/testnet.sh"
source "$NETKESTREL_SOURCE_DIR/tests/net/check.sh"
testnet_require_root

cli="$NETKESTREL_BIN_DIR/netkestrel-cli"
net=198.18.105
work=$(mktemp -d)
data="$work/data"
cleanup() {
    testnet_destroy
    rm -rf "$work"
}

testnet_create $net.1/24
trap cleanup EXIT
testnet_add_host $net.10 00:0a:e4:69:00:0a
"$cli" records add --ip $net.50 --mac 00-0A-E4-69-00-50 --data-dir "$data" >/dev/null

start_watch() { # OUTPUT
    ip netns exec "$(testnet_scanner_ns)" "$cli" watch --from $net.10 --to $net.10 --pace-ms 0 --every 1440 --data-dir "$data" \
        --format json --notify-kinds new-station --notify-url http://127.0.0.1:8765/in \
        --notify-exec "sh -c \"cat >> $work/exec.jsonl\"" >"$1" 2>"$1.err" &
    watch_pid=$!
    testnet_track_pid $watch_pid
}
wait_for() { # CONDITION...: up to 30 s
    for _ in $(seq 300); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
spooled() { find "$data/notify-spool" -name '*.json' 2>/dev/null | wc -l; }
spool_is() { [ "$(spooled)" -eq "$1" ]; }
has_line() { grep -q "$1" "$2" 2>/dev/null; }

start_watch "$work/first"
wait_for has_line '"new-station"' "$work/first" || true
wait_for spool_is 1 || true
wait_for has_line '"new-station"' "$work/exec.jsonl" || true
kill -KILL $watch_pid
wait $watch_pid 2>/dev/null || true
event=$(grep '"new-station"' "$work/first" || true)
check "the first watch reports the new station" 1 "$(grep -c . <<<"$event")"
check "its line waits in the spool" 1 "$(spooled)"
check "the command got the same line on standard input" "$event" "$(cat "$work/exec.jsonl" 2>/dev/null)"
check "the receiver being down is said" yes \
    "$(grep -q "Notification to http://127.0.0.1:8765/in not delivered" "$work/first.err" && echo yes || echo no)"

ip netns exec "$(testnet_scanner_ns)" /usr/bin/python3 -c '
import http.server, sys
class Receiver(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", "0")))
        with open(sys.argv[1], "ab") as out:
            out.write(body)
        self.send_response(200)
        self.send_header("Content-Length", "0")
        self.end_headers()
    def log_message(self, *arguments):
        pass
server = http.server.HTTPServer(("127.0.0.1", 8765), Receiver)
print("ready", flush=True)
server.serve_forever()
' "$work/received" >"$work/receiver" 2>&1 &
testnet_track_pid $!
wait_for has_line ready "$work/receiver"

start_watch "$work/second"
wait_for spool_is 0 || true
# The second watch's own scan has completed (the station is known by now).
wait_for has_line "Scan Complete!" "$work/second.err" || true
sleep 2
check "the receiver got the event exactly once" "$event" "$(cat "$work/received" 2>/dev/null)"
check "the second scan reports no new station" 0 "$(grep -c '"new-station"' "$work/second" || true)"
kill -TERM $watch_pid
status=0
wait $watch_pid || status=$?
check "watch ends with 0 on SIGTERM" 0 $status

check_summary
