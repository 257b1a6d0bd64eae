#!/usr/bin/env bash
# The host history and change events of real UDP scans of a test network: one
# crafted node-status responder whose unit id is its interface's MAC, and one
# whose unit id is another station's MAC (a proxy or a forged reply). The JSON
# lines of scan, changes, history and watch are read by Python's JSON parser.
# Last, the history of scans while the store is locked or unusable.
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

# The history of a scan while another process holds the database locked past
# the busy wait, or while the database is unusable: kept in the data folder and
# written, oldest first, by the next scan that reaches the store, which says
# so; the exit statuses say whether a history was lost.
kept_scan() { # DATA_FOLDER: prints the exit status; standard error in $work/err
    local status=0
    testnet_scanner_exec "$cli" scan --method udp --from $net.11 --to $net.11 --data-dir "$1" \
        >/dev/null 2>"$work/err" || status=$?
    echo "$status"
}
kept_files() { # DATA_FOLDER
    find "$1/history-spool" -name '*.json' 2>/dev/null | wc -l
}
said() { # TEXT: whether standard error of the last scan holds it
    grep -qF "$1" "$work/err" && echo yes || echo "no: $(cat "$work/err")"
}
data="$work/kept"
mkdir "$data"
check "a scan of a free store" 0 "$(kept_scan "$data")"
sleep 1 # the kept scans get times of their own
/usr/bin/python3 -c '
import sqlite3, sys, time
db = sqlite3.connect(sys.argv[1], isolation_level=None)
db.execute("BEGIN EXCLUSIVE")
print("locked", flush=True)
time.sleep(120)
' "$data/kestrel.mdb" >"$work/locker" 2>&1 &
locker=$!
testnet_track_pid $locker
for _ in $(seq 50); do
    grep -q locked "$work/locker" 2>/dev/null && break
    sleep 0.1
done
check "a scan of a locked store completes" 0 "$(kept_scan "$data")"
check "it says why the history was not written" yes "$(said "database is locked")"
check "it says where the history is kept" yes "$(said "The history of this scan is kept in $data/history-spool")"
check "the scan is kept" 1 "$(kept_files "$data")"
# No place to keep the history either: lost, and the exit status says so.
mkdir -p "$work/broken/kestrel.mdb"
touch "$work/broken/history-spool"
check "a scan whose history is lost exits 1" 1 "$(kept_scan "$work/broken")"
check "it says the history could not be kept" yes "$(said "The history of this scan could not be kept either")"
kill "$locker"
wait "$locker" 2>/dev/null || true
check "the next scan of the free store" 0 "$(kept_scan "$data")"
check "it writes the kept scan first and says so" yes \
    "$(said "Wrote 1 scan's history kept while the store was unavailable.")"
check "nothing stays kept" 0 "$(kept_files "$data")"
"$cli" history --data-dir "$data" --format json >"$work/history.json"
check "the history counts all three scans" "history $net.11 00-0A-E4-68-00-99 3" "$(summarise scans <"$work/history.json")"
check "one new station, at the first scan" 1 "$("$cli" changes --data-dir "$data" | grep -c new-station)"

check_summary
