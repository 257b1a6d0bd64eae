#!/usr/bin/env bash
# Benchmark of a whole on-link /16: a test network 198.18.0.0/16 of its own
# with 20 hosts spread over it (.0 and .255 addresses among them), each
# running Samba's nmbd. In the same run, three times each: the fast ARP
# scan of netkestrel-cli (also with a 50 ms final wait, and as an ordinary
# user whose only capability is that of netkestrel-arp) against arp-scan at
# its fastest setting that still finds every host (a small grid tried once
# first); and the fast node-status scan (--method udp --pace-ms 0) against
# nbtscan at its default. Prints run times, medians, hosts found, ratios and
# the peak resident size of each process (/usr/bin/time). Root; everything
# runs in the test's own namespaces.
#   NETKESTREL_BIN_DIR=build/bin bench/sweep16.sh      (RUNS=n for other than 3)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export NETKESTREL_SOURCE_DIR=${NETKESTREL_SOURCE_DIR:-$(dirname "$here")}
source "$NETKESTREL_SOURCE_DIR/tests/net/testnet.sh"
testnet_require_root
for tool in nbtscan arp-scan nmbd; do
    command -v $tool >/dev/null || { echo "sweep16: $tool missing (scripts/install-deps.sh)" >&2; exit 77; }
done
bin=${NETKESTREL_BIN_DIR:-$NETKESTREL_SOURCE_DIR/build/bin}
[ -d "$bin" ] && bin=$(cd "$bin" && pwd) # the scripts change folder
[ -x "$bin/netkestrel-cli" ] || { echo "sweep16: $bin/netkestrel-cli not built" >&2; exit 1; }
runs=${RUNS:-3}

testnet_create 198.18.0.1/16
source "$here/bench-lib.sh"
hosts=(198.18.0.10 198.18.3.3 198.18.14.255 198.18.27.0 198.18.40.0 198.18.52.77 198.18.66.130 198.18.77.200
    198.18.90.1 198.18.99.255 198.18.113.45 198.18.128.128 198.18.141.9 198.18.160.5 198.18.172.222
    198.18.185.60 198.18.200.17 198.18.230.1 198.18.254.254 198.18.255.250)
for ip in "${hosts[@]}"; do
    IFS=. read -r _ _ c d <<<"$ip"
    testnet_add_host "$ip" "$(printf '02:0a:e4:16:%02x:%02x' "$c" "$d")"
    testnet_start_nmbd "$ip" "SWEEP${c}X$d" SWEEPGROUP "$bench_dir/$ip"
done
for ip in "${hosts[@]}"; do
    for _ in $(seq 60); do
        testnet_scanner_exec timeout 5 nmblookup -A "$ip" 2>/dev/null | grep -q '<GROUP>' && break
        sleep 0.5
    done
done
bench_live "${hosts[@]}"
# The helper's path: copies the user can read, only the helper setcap'ed.
testnet_user_copies "$bin" "$bench_dir/user"
cli=("$bin/netkestrel-cli" scan --range 198.18.0.0/16 --format kst --pace-ms 0)

echo "Tuning arp-scan on 198.18.0.0/16:" >&2
bench_tune_arp_scan 198.18.0.0/16
read -ra tuned <<<"$bench_tuned"
for ((round = 1; round <= runs; round++)); do
    bench_run arp-scan-tuned arp-scan --interface=eth0 --quiet "${tuned[@]}" 198.18.0.0/16
    bench_run arp-fast "${cli[@]}"
    bench_run arp-fast-50ms "${cli[@]}" --arp-timeout-ms 50
    bench_run arp-helper "${testnet_as_user[@]}" "$bench_dir/user/bin/netkestrel-cli" scan --range 198.18.0.0/16 \
        --format kst --pace-ms 0
    bench_run nbtscan nbtscan 198.18.0.0/16
    bench_run udp-fast "${cli[@]}" --method udp
done

bench_table "198.18.0.0/16 ARP: ${#hosts[@]} hosts, $runs runs each; arp-scan tuned: $bench_tuned" arp-scan-tuned \
    arp-scan-tuned arp-fast arp-fast-50ms arp-helper
bench_table "198.18.0.0/16 node status: ${#hosts[@]} hosts answering it, $runs runs each" nbtscan nbtscan udp-fast
