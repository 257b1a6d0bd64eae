#!/usr/bin/env bash
# The fast UDP scan and the mac library's kernel path on an on-link /20, far
# more addresses than the kernel's neighbour table has room for at once. The
# thresholds are only read (the table is the whole machine's), never changed.
# Node-status responders sit in the first, a middle and the last /24 of the
# network; every scan must find every one of them, every time.
set -euo pipefail
source "$NETKESTREL_SOURCE_DIR/tests/net/testnet.sh"
testnet_require_root

cli=$NETKESTREL_BIN_DIR/netkestrel-cli
probe=$NETKESTREL_BIN_DIR/mac_probe
library=$NETKESTREL_BIN_DIR/libmac.so
responder=$NETKESTREL_SOURCE_DIR/tests/net/nbstat_responder.py
work=$(mktemp -d)
failures=0
cleanup() { testnet_destroy; rm -rf "$work"; }
trap cleanup EXIT INT TERM

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
check() { # check WHAT EXPECTED ACTUAL
    if [ "$2" == "$3" ]; then echo "ok: $1"; else fail "$1"; diff <(echo "$2") <(echo "$3") >&2 || true; fi
}
neigh=/proc/sys/net/ipv4/neigh/default
echo "neighbour table thresholds: $(cat $neigh/gc_thresh1) $(cat $neigh/gc_thresh2) $(cat $neigh/gc_thresh3)"
# Overflows of the (machine-wide) table, for the log only: other tests may cause some.
table_fulls() { # summed over the per-CPU lines
    local sum=0 v
    while read -r v; do sum=$((sum + 16#$v)); done < <(awk 'NR > 1 { print $NF }' /proc/net/stat/arp_cache)
    echo $sum
}
fulls_before=$(table_fulls)

testnet_create 198.18.96.1/20 02:0a:e4:00:60:01

# IP MAC NAME: far apart, the last one on the network's last host address.
hosts=(
    "198.18.96.10 02:0a:e4:00:60:0a FIRST10"
    "198.18.99.250 02:0a:e4:00:63:fa FOURTH250"
    "198.18.103.200 02:0a:e4:00:67:c8 MIDDLE200"
    "198.18.111.254 02:0a:e4:00:6f:fe LAST254"
)
for h in "${hosts[@]}"; do
    set -- $h
    testnet_add_host "$1" "$2"
    ip netns exec "$(testnet_host_ns "$1")" /usr/bin/python3 "$responder" normal "$2" "$3" LARGEWG \
        >"$work/resp-$1" 2>&1 &
    testnet_track_pid $!
done
for h in "${hosts[@]}"; do
    set -- $h
    for _ in $(seq 40); do grep -q ready "$work/resp-$1" && break; sleep 0.1; done
done

ip_number() { local IFS=.; set -- $1; echo $((($1 << 24) + ($2 << 16) + ($3 << 8) + $4)); }
expected() { # FROM TO -> IP|MAC|NAME|GROUP of the responders inside, in address order
    local from to h
    from=$(ip_number "$1") to=$(ip_number "$2")
    for h in "${hosts[@]}"; do
        set -- $h
        n=$(ip_number "$1")
        ((n >= from && n <= to)) && echo "$1|$(tr 'a-f:' 'A-F-' <<<"$2")|$3|LARGEWG"
    done
    return 0
}
rows() { tr -d '\r' | sed -E 's/^"([^"]*)","([^"]*)","([^"]*)","([^"]*)","([^"]*)".*$/\2|\3|\4|\5/'; }
scan() { # NAME FROM TO [prefix command...]
    local name=$1 from=$2 to=$3 start took
    shift 3
    testnet_flush_neighbours
    start=$(date +%s.%N)
    testnet_scanner_exec "$@" "$cli" scan --method udp --from "$from" --to "$to" --pace-ms 0 --format kst \
        2>"$work/stderr" | rows >"$work/rows"
    took=$(echo "$(date +%s.%N) - $start" | bc)
    check "$name ($took s)" "$(expected "$from" "$to")" "$(cat "$work/rows")"
    local count
    count=$(expected "$from" "$to" | wc -l)
    grep -q "Found $count connected " "$work/stderr" || fail "$name: completion text: $(cat "$work/stderr")"
}

# With CAP_NET_RAW (root): twice in a row, the second one with the first's
# entries still in the table.
scan "fast scan of the /20 with raw ARP" 198.18.96.0 198.18.111.255
scan "fast scan of the /20 with raw ARP, again" 198.18.96.0 198.18.111.255
# Without it every on-link query waits for room in the table: 1024 addresses,
# as many as the whole table holds, keep the test short.
no_raw=(setpriv --inh-caps=-net_raw --bounding-set=-net_raw --)
scan "fast scan of a /22 without raw ARP" 198.18.96.0 198.18.99.255 "${no_raw[@]}"

# The mac library's kernel path: eight /24 blocks (a /21), back to back in one process.
kernel_expected() {
    {
        echo "198.18.96.1 02:0a:e4:00:60:01"
        for h in "${hosts[@]}"; do
            set -- $h
            echo "$1 $2"
        done
    } | while read -r ip mac; do
        (($(ip_number "$ip") <= $(ip_number 198.18.103.255))) && echo "$ip $(tr 'a-f:' 'A-F-' <<<"$mac")"
    done
    return 0
}
testnet_flush_neighbours
start=$(date +%s.%N)
if NETKESTREL_MAC_TRACE=1 testnet_scanner_exec "${no_raw[@]}" "$probe" "$library" 198.18.96. 0 255 \
    --pace 0 --timeout 300 --blocks 8 >"$work/kernel" 2>"$work/trace"; then
    took=$(echo "$(date +%s.%N) - $start" | bc)
    check "mac library, kernel path, eight /24 blocks ($took s)" "$(kernel_expected)" "$(cat "$work/kernel")"
    grep -q '^mac-trace [0-9.]* kernel ' "$work/trace" || fail "the workers did not take the kernel path"
else
    fail "mac_probe failed: $(tail -3 "$work/trace")"
fi

echo "neighbour table overflows during the test (machine-wide): $(($(table_fulls) - fulls_before))"
[ "$failures" -eq 0 ] || { echo "udp-scan-large: $failures failure(s)" >&2; exit 1; }
echo "udp-scan-large: all checks passed"
