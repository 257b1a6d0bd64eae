#!/usr/bin/env bash
# watch --listen on a test network: a gratuitous ARP for a recorded host's
# address from another host between two scans gives its conflict and finding
# within two seconds; an IPv6 address that a host takes shows in the history.
# A range off every local network is refused. Needs the link listener of the
# helper; a build without it skips after the refusal.
set -euo pipefail
source "$NETKESTREL_SOURCE_DIR/tests/net/testnet.sh"
source "$NETKESTREL_SOURCE_DIR/tests/net/check.sh"
testnet_require_root

cli="$NETKESTREL_BIN_DIR/netkestrel-cli"
net=198.18.130
six=2001:2:0:82 # the IPv6 benchmarking prefix, inside the test namespaces only
work=$(mktemp -d)
cleanup() {
    testnet_destroy
    rm -rf "$work"
}

testnet_create $net.1/24
trap cleanup EXIT
A=00-0A-E4-82-00-0A
B=00-0A-E4-82-00-0B
testnet_add_host $net.10 $A
testnet_add_host $net.11 $B
testnet_add_host $net.40 00-0A-E4-82-00-0C # off the scanned range: its MAC is news
for ip in $net.10 $net.11; do
    "$cli" records add --ip "$ip" --mac "$([ $ip = $net.10 ] && echo $A || echo $B)" --data-dir "$work" \
        >/dev/null 2>&1
done

status=0
testnet_scanner_exec "$cli" watch --listen --from 198.18.131.1 --to 198.18.131.9 --data-dir "$work" \
    >/dev/null 2>"$work/err" || status=$?
check "--listen off the local networks exits 2" 2 $status
check "it says why" yes "$(grep -qF -- "--listen needs a range on one network of this host's interfaces" \
    "$work/err" && echo yes || cat "$work/err")"

# JSON lines on stdin -> "kind ip mac [extra fields present]" per line, sorted.
summarise() { # [EXTRA_FIELD...]
    /usr/bin/python3 -c '
import json, sys
lines = []
for raw in sys.stdin:
    obj = json.loads(raw)
    fields = [obj["kind"], obj["ip"], obj["mac"]] + [str(obj[f]) for f in sys.argv[1:] if f in obj]
    lines.append(" ".join(fields))
print("\n".join(sorted(lines)))
' "$@"
}
# A gratuitous ARP (sender and target address the same).
announce() { # HOST_IP CLAIMED_IP MAC
    testnet_host_exec "$1" /usr/bin/python3 "$NETKESTREL_SOURCE_DIR/tests/net/link_frames.py" announce "$2" "$3"
}
wait_for() { # FILE PATTERN TENTHS
    for ((tries = 0; tries < $3; tries++)); do
        grep -qF -- "$2" "$1" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}

ip netns exec "$(testnet_scanner_ns)" "$cli" watch --listen --from $net.2 --to $net.20 --pace-ms 0 \
    --every 5 --format json --data-dir "$work" >"$work/out" 2>"$work/watch.err" &
pid=$!
testnet_track_pid $pid
wait_for "$work/watch.err" "Scan Complete!" 300 || true
if grep -qF "is not available in this build" "$work/watch.err"; then
    kill -TERM $pid
    wait $pid 2>/dev/null || true
    check_summary >&2 || exit 1
    echo "the link listener is not in this build: its checks are skipped" >&2
    exit 77
fi
: >"$work/out.listen"
lines_before=$(wc -l <"$work/out")
start=$(date +%s%N)
announce $net.11 $net.10 $B
wait_for "$work/out" '"ip-conflict"' 20 || true
wait_for "$work/out" '"ip-other-mac"' 20 || true
elapsed=$((($(date +%s%N) - start) / 1000000))
tail -n +"$((lines_before + 1))" "$work/out" >"$work/out.listen"
check "the announcement: a conflict with the scanned holder and the record's finding" \
    "ip-conflict $net.10 $A ['$A', '$B']
ip-other-mac $net.10 $B $A" \
    "$(summarise macs recorded_mac <"$work/out.listen" | grep -E '^(ip-conflict|ip-other-mac) ' || true)"
check "within two seconds" yes "$([ $elapsed -le 2000 ] && echo yes || echo "no: $elapsed ms")"

# An IPv6 address taken on the link: its duplicate address check, its
# announcement, then its answer to the scanner's solicitation.
ip netns exec "$(testnet_scanner_ns)" sysctl -q -w net.ipv6.conf.eth0.disable_ipv6=0
testnet_host_exec $net.40 sysctl -q -w net.ipv6.conf.eth0.disable_ipv6=0 net.ipv6.conf.eth0.ndisc_notify=1
testnet_scanner_exec ip -6 addr add $six::1/64 dev eth0 nodad
testnet_host_exec $net.40 ip -6 addr add $six::40/64 dev eth0
sleep 2 # the duplicate address check
testnet_scanner_exec /usr/bin/python3 -c '
import socket, sys
socket.socket(socket.AF_INET6, socket.SOCK_DGRAM).sendto(b"x", (sys.argv[1], 9))
' $six::40
wait_for "$work/out" "\"$six::40\"" 30 || true
kill -TERM $pid
status=0
wait $pid || status=$?
check "watch --listen ends with 0 on SIGTERM" 0 $status
# Its link-local address may be heard first: the station is new at either.
check "the IPv6 neighbour's new station" "new-station 00-0A-E4-82-00-0C" \
    "$(grep -F '"00-0A-E4-82-00-0C"' "$work/out" | summarise | awk '$1 == "new-station" && $2 ~ /:/ { print $1, $3 }')"
"$cli" history --data-dir "$work" --format json --ip $six::40 >"$work/history.json"
check "the IPv6 neighbour is in the history" "history $six::40 00-0A-E4-82-00-0C" \
    "$(summarise <"$work/history.json")"
"$cli" changes --data-dir "$work" --format json >"$work/changes.json"
check "the conflict heard is among the stored changes" "ip-conflict $net.10 $A" \
    "$(summarise <"$work/changes.json" | grep ip-conflict)"

check_summary
