#!/usr/bin/env bash
# Recall of the fast ARP scan over a whole on-link /20 (4096 addresses) with
# 31 hosts spread over it, on the first and last addresses of its /24s and
# next to each other among them: every scan finds every host, once, with its
# MAC, every run; with CAP_NET_RAW and as an ordinary user through
# netkestrel-arp.
set -euo pipefail
source "$NETKESTREL_SOURCE_DIR/tests/net/testnet.sh"
source "$NETKESTREL_SOURCE_DIR/tests/net/check.sh"
testnet_require_root

testnet_create 198.18.112.1/20 02:0a:e4:00:70:01
work=$(mktemp -d)
trap 'testnet_destroy; rm -rf "$work"' EXIT INT TERM

# 27 hosts 151 addresses apart (every /24 gets one or two, at all kinds of
# offsets), three neighbours, and the network's last host address.
hosts=()
for ((i = 0; i < 27; i++)); do
    n=$((5 + i * 151))
    hosts+=("198.18.$((112 + n / 256)).$((n % 256))")
done
hosts+=(198.18.120.127 198.18.120.128 198.18.120.129 198.18.127.254)
expected=$(for ip in 198.18.112.1 "${hosts[@]}"; do
    IFS=. read -r _ _ c d <<<"$ip"
    printf '%s 02-0A-E4-00-%02X-%02X\n' "$ip" "$c" "$d"
done | sort -V)
for ip in "${hosts[@]}"; do
    IFS=. read -r _ _ c d <<<"$ip"
    testnet_add_host "$ip" "$(printf '02:0a:e4:00:%02x:%02x' "$c" "$d")"
done

testnet_user_copies "$NETKESTREL_BIN_DIR" "$work"
scan() { # NAME PREFIX... : one scan of the /20, its rows and completion checked
    local name=$1 start took
    shift
    testnet_flush_neighbours
    start=$(date +%s.%N)
    testnet_scanner_exec "$@" scan --format kst --range 198.18.112.0/20 --pace-ms 0 >"$work/out" 2>"$work/err" ||
        echo "exit status $?" >>"$work/err"
    took=$(echo "$(date +%s.%N) - $start" | bc)
    check "$name ($took s)" "$expected" "$(tr -d '\r' <"$work/out" | awk -F'","' '{print $2, $3}' | sort -V)"
    check "$name: completion" "Scan Complete! Scanned: 4094 IP, Found 32 connected " "$(cat "$work/err")"
}

for run in 1 2 3 4 5; do
    scan "raw ARP, run $run" "$NETKESTREL_BIN_DIR/netkestrel-cli"
done
for run in 1 2; do
    scan "through the helper, run $run" "${testnet_as_user[@]}" "$work/bin/netkestrel-cli"
done
check_summary
