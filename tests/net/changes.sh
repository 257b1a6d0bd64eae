#!/usr/bin/env bash
# The host history and change events of real UDP scans of a test network: one
# crafted node-status responder whose unit id is its interface's MAC, and one
# whose unit id is another station's MAC (a proxy or a forged reply). The JSON
# lines of scan, changes, history and watch are read by Python's JSON parser.
set -euo pipefail
source "$NETKESTREL_SOURCE_DIR/tests/net/testnet.sh"
source "$NETKESTREL_SOURCE_DIR/tests/net/check.sh"
testnet_require_root

cli="$NETKESTREL_BIN_DIR/netkestrel-cli"
responder="$NETKESTREL_SOURCE_DIR/tests/net/nbstat_responder.py"
net=198.18.104
work=$(mktemp -d)
cleanup() {
    testnet_destroy
    rm -rf "$work"
}

testnet_create $net.1/24
trap cleanup EXIT
# .10 answers with its own MAC; .11 names 00:0a:e4:68:00:99 from an interface
# whose MAC is 00:0a:e4:68:00:0b.
testnet_add_host $net.10 00:0a:e4:68:00:0a
testnet_add_host $net.11 00:0a:e4:68:00:0b
declare -A responder_pid
start_responder() { # IP UNIT_ID NAME
    ip netns exec "$(testnet_host_ns "$1")" /usr/bin/python3 "$responder" normal "$2" "$3" LABWG \
        >"$work/resp-$1" 2>&1 &
    responder_pid[$1]=$!
    testnet_track_pid $!
    for _ in $(seq 50); do
        grep -q ready "$work/resp-$1" 2>/dev/null && return 0
        sleep 0.1
    done
    echo "responder on $1 did not start" >&2
    return 1
}
start_responder $net.10 00:0a:e4:68:00:0a HONEST
start_responder $net.11 00:0a:e4:68:00:99 PROXY

# JSON lines on stdin -> "kind ip mac [extra fields present]" per line, sorted.
summarise() { # [EXTRA_FIELD...]
    /usr/bin/python3 -c '
import json, sys
lines = []
for raw in sys.stdin:
    obj = json.loads(raw)
    assert isinstance(obj, dict), raw
    fields = [obj["kind"], obj["ip"], obj["mac"]] + [str(obj[f]) for f in sys.argv[1:] if f in obj]
    lines.append(" ".join(fields))
print("\n".join(sorted(lines)))
' "$@"
}

testnet_scanner_exec "$cli" scan --method udp --from $net.10 --to $net.12 --data-dir "$work" \
    --format json >"$work/scan.json" 2>"$work/scan.err"
check "scan --format json: one host object per answering host" \
    "host $net.10 00-0A-E4-68-00-0A
host $net.11 00-0A-E4-68-00-99" "$(summarise <"$work/scan.json")"
check "scan --format json: names and an ISO time" "HONEST LABWG True" "$(head -1 "$work/scan.json" |
    /usr/bin/python3 -c 'import json, sys, datetime
o = json.loads(sys.stdin.read())
print(o["hostName"], o["workgroup"], datetime.datetime.fromisoformat(o["time"].replace("Z", "+00:00")).tzinfo is not None)')"

"$cli" changes --data-dir "$work" --format json >"$work/changes.json"
check "the first scan: two new stations, and the reply that names another MAC" \
    "nbstat-mac-mismatch $net.11 00-0A-E4-68-00-99 00-0A-E4-68-00-0B
new-station $net.10 00-0A-E4-68-00-0A
new-station $net.11 00-0A-E4-68-00-99" "$(summarise previousMac neighbourMac <"$work/changes.json")"

# The second scan: .10 now answers from a randomised MAC.
kill "${responder_pid[$net.10]}"
wait "${responder_pid[$net.10]}" 2>/dev/null || true
testnet_host_exec $net.10 ip link set eth0 down
testnet_host_exec $net.10 ip link set eth0 address 02:0a:e4:68:00:aa
testnet_host_exec $net.10 ip link set eth0 up
testnet_flush_neighbours
start_responder $net.10 02:0a:e4:68:00:aa HONEST
sleep 2 # the link is up again, and the next scan's events have a time of their own
testnet_scanner_exec "$cli" scan --method udp --from $net.10 --to $net.12 --data-dir "$work" \
    >/dev/null 2>&1
"$cli" changes --data-dir "$work" --format json >"$work/changes.json"
check "the second scan: MAC changed, randomised new station, the proxy again" \
    "mac-changed $net.10 02-0A-E4-68-00-AA 00-0A-E4-68-00-0A
nbstat-mac-mismatch $net.11 00-0A-E4-68-00-99 00-0A-E4-68-00-0B
nbstat-mac-mismatch $net.11 00-0A-E4-68-00-99 00-0A-E4-68-00-0B
new-station $net.10 00-0A-E4-68-00-0A
new-station $net.10 02-0A-E4-68-00-AA
new-station $net.11 00-0A-E4-68-00-99
randomised-mac $net.10 02-0A-E4-68-00-AA" "$(summarise previousMac neighbourMac <"$work/changes.json")"

"$cli" history --data-dir "$work" --format json >"$work/history.json"
check "history: three pairs, the proxy's seen twice" \
    "history $net.10 00-0A-E4-68-00-0A 1
history $net.10 02-0A-E4-68-00-AA 1
history $net.11 00-0A-E4-68-00-99 2" "$(summarise scans <"$work/history.json")"

check_summary
