#!/usr/bin/env bash
# netkestrel-cli analyze and watch against a test network whose hosts and
# records give each of the four findings once.
set -euo pipefail
source "$NETKESTREL_SOURCE_DIR/tests/net/testnet.sh"
source "$NETKESTREL_SOURCE_DIR/tests/net/check.sh"
testnet_require_root

cli="$NETKESTREL_BIN_DIR/netkestrel-cli"
net=198.18.7
data=$(mktemp -d)
out=$(mktemp)
cleanup() {
    testnet_destroy
    rm -rf "$data" "$out"
}

testnet_create $net.1/24
trap cleanup EXIT
scanner_mac=$(testnet_scanner_mac | tr 'a-f:' 'A-F-')
testnet_add_host $net.10 00-0A-E4-00-00-0A # as recorded
testnet_add_host $net.11 00-0A-E4-00-00-0B # its IP belongs to another MAC, its MAC on .12
testnet_add_host $net.13 00-0A-E4-00-00-0D # neither is recorded

add_record() {
    "$cli" records add --ip "$1" --mac "$2" --data-dir "$data" >/dev/null 2>&1
}
add_record $net.1 "$scanner_mac"
add_record $net.10 00-0A-E4-00-00-0A
add_record $net.11 00-0A-E4-00-00-0C
add_record $net.12 00-0A-E4-00-00-0B

expected="[00-0A-E4-00-00-0B] is abused IP:$net.11; This IP belongs to [00-0A-E4-00-00-0C]
[00-0A-E4-00-00-0B] is abused IP:$net.11;This MAC should be on[$net.12]
[00-0A-E4-00-00-0D] is abused IP:$net.13;This IP has not been preset yet
[00-0A-E4-00-00-0D] is abused IP:$net.13;This MAC is not in Record, maybe it is illegal"

status=0
testnet_scanner_exec "$cli" analyze --from $net.1 --to $net.20 --pace-ms 0 --show-silent \
    --data-dir "$data" >"$out" 2>/dev/null || status=$?
check "analyze exits 3 with findings" 3 $status
check "the four findings" "$expected" "$(cut -f2 "$out")"
check "each line has a date/time" 0 "$(cut -f1 "$out" | grep -c '^$' || true)"

status=0
testnet_scanner_exec "$cli" analyze --from $net.1 --to $net.20 --pace-ms 0 --no-ip \
    --data-dir "$data" >"$out" 2>/dev/null || status=$?
check "--no-ip: the MAC findings only" "$(sed -n '1p;3p' <<<"$expected")" "$(cut -f2 "$out")"

status=0
testnet_scanner_exec "$cli" analyze --from $net.1 --to $net.10 --pace-ms 0 \
    --data-dir "$data" >"$out" 2>/dev/null || status=$?
check "recorded hosts only: exit 0" 0 $status
check "recorded hosts only: nothing printed" "" "$(cat "$out")"

# watch: the first step at once, its findings as they come, SIGTERM ends it.
: >"$out"
ip netns exec "$(testnet_scanner_ns)" "$cli" watch --from $net.1 --to $net.20 --pace-ms 0 --every 5 \
    --data-dir "$data" >"$out" 2>/dev/null &
pid=$!
testnet_track_pid $pid
for ((tries = 0; tries < 300; tries++)); do
    [ "$(wc -l <"$out")" -ge 4 ] && break
    sleep 0.1
done
kill -TERM $pid
status=0
wait $pid || status=$?
check "watch prints the first step's findings" "$expected" "$(cut -f2 "$out")"
check "watch ends with 0 on SIGTERM" 0 $status

check_summary
