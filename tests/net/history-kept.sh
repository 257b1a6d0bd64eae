#!/usr/bin/env bash
# Real UDP scans of a test network while another process holds the record
# database locked past the busy wait, or while the database is unusable: the
# scans' history is kept in the data folder and written, oldest first, by the
# next scan that reaches the store, which says so; the exit statuses say
# whether a history was lost.
set -euo pipefail
source "$NETKESTREL_SOURCE_DIR/tests/net/testnet.sh"
source "$NETKESTREL_SOURCE_DIR/tests/net/check.sh"
testnet_require_root

cli="$NETKESTREL_BIN_DIR/netkestrel-cli"
responder="$NETKESTREL_SOURCE_DIR/tests/net/nbstat_responder.py"
net=198.18.106
work=$(mktemp -d)
data="$work/data"
cleanup() {
    testnet_destroy
    rm -rf "$work"
}

testnet_create $net.1/24
trap cleanup EXIT
testnet_add_host $net.10 00:0a:e4:6a:00:0a
ip netns exec "$(testnet_host_ns $net.10)" /usr/bin/python3 "$responder" normal 00:0a:e4:6a:00:0a KEPT LABWG \
    >"$work/responder" 2>&1 &
testnet_track_pid $!
for _ in $(seq 50); do
    grep -q ready "$work/responder" 2>/dev/null && break
    sleep 0.1
done

scan() { # DATA_FOLDER: prints the exit status; the output in $work/out and $work/err
    local status=0
    testnet_scanner_exec "$cli" scan --method udp --from $net.10 --to $net.10 --data-dir "$1" \
        >"$work/out" 2>"$work/err" || status=$?
    echo "$status"
}
kept_files() { # DATA_FOLDER
    find "$1/history-spool" -name '*.json' 2>/dev/null | wc -l
}
said() { # TEXT: whether standard error of the last scan holds it
    grep -qF "$1" "$work/err" && echo yes || echo "no: $(cat "$work/err")"
}

check "a scan of a free store" 0 "$(scan "$data")"
sleep 1 # the kept scans get times of their own

# A process of its own holds the database in an exclusive transaction.
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

check "a scan of a locked store completes" 0 "$(scan "$data")"
check "it says why the history was not written" yes "$(said "database is locked")"
check "it says where the history is kept" yes "$(said "The history of this scan is kept in $data/history-spool")"
check "the scan is kept" 1 "$(kept_files "$data")"

# A store that cannot be opened, and no place to keep the history: lost, and
# the exit status says so.
mkdir -p "$work/broken/kestrel.mdb"
touch "$work/broken/history-spool"
check "a scan whose history is lost exits 1" 1 "$(scan "$work/broken")"
check "it says the history could not be kept" yes "$(said "The history of this scan could not be kept either")"

kill "$locker"
wait "$locker" 2>/dev/null || true
check "the next scan of the free store" 0 "$(scan "$data")"
check "it writes the kept scan first and says so" yes \
    "$(said "Wrote 1 scan's history kept while the store was unavailable.")"
check "nothing stays kept" 0 "$(kept_files "$data")"
check "the history counts all three scans" "$net.10 00-0A-E4-6A-00-0A 3" \
    "$("$cli" history --data-dir "$data" --format json | /usr/bin/python3 -c '
import json, sys
for line in sys.stdin:
    o = json.loads(line)
    print(o["ip"], o["mac"], o["scans"])')"
check "one new station, at the first scan" 1 "$("$cli" changes --data-dir "$data" | grep -c new-station)"

check_summary
