#!/usr/bin/env bash
# Benchmark of a whole /16: a test network 198.18.0.0/16 of its own with four
# hosts running Samba's nmbd and eight hosts that only answer ARP (their
# kernels), all far apart, .0 and .255 addresses among them. In the same run:
# netkestrel-cli's fast UDP scan against nbtscan, and its fast ARP scan
# against arp-scan, each over the whole /16; the fast ARP scan also as an
# ordinary user whose only capability is that of netkestrel-arp (the helper's
# path). Prints wall time and hosts found per tool, and the time ratios with
# their goals (UDP: every node-status host found in at most half of nbtscan's
# time; ARP: every host found in at most a tenth of arp-scan's time; the
# helper's path no slower than the in-process one). Root; everything runs in
# the test's own namespaces.
#   NETKESTREL_BIN_DIR=build/bin bench/sweep16.sh      (RUNS=n for more rounds)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export NETKESTREL_SOURCE_DIR=${NETKESTREL_SOURCE_DIR:-$here}
source "$here/tests/net/testnet.sh"
testnet_require_root
for tool in nbtscan arp-scan nmbd; do
    command -v $tool >/dev/null || { echo "sweep16: $tool missing (scripts/install-deps.sh)" >&2; exit 77; }
done
cli=${NETKESTREL_BIN_DIR:-$here/build/bin}/netkestrel-cli
[ -x "$cli" ] || { echo "sweep16: $cli not built" >&2; exit 1; }
runs=${RUNS:-1}
work=$(mktemp -d)
trap 'testnet_destroy; rm -rf "$work"' EXIT INT TERM

testnet_create 198.18.0.1/16
declare -A name
nbt_hosts=(198.18.0.10 198.18.77.200 198.18.160.5 198.18.255.250)
arp_only=(198.18.3.3 198.18.40.0 198.18.99.255 198.18.128.128 198.18.200.17 198.18.230.1 198.18.254.254 198.18.255.0)
for ip in "${nbt_hosts[@]}" "${arp_only[@]}"; do
    IFS=. read -r _ _ c d <<<"$ip"
    testnet_add_host "$ip" "$(printf '02:0a:e4:16:%02x:%02x' "$c" "$d")"
done
for ip in "${nbt_hosts[@]}"; do
    IFS=. read -r _ _ c d <<<"$ip"
    name[$ip]=SWEEP${c}X$d
    testnet_start_nmbd "$ip" "${name[$ip]}" SWEEPGROUP "$work/$ip"
done
for ip in "${nbt_hosts[@]}"; do
    for _ in $(seq 60); do
        testnet_scanner_exec timeout 5 nmblookup -A "$ip" 2>/dev/null | grep -q '<GROUP>' && break
        sleep 0.5
    done
done
# The helper's path: copies the user can read, only the helper setcap'ed.
bin=$(dirname "$cli")
chmod 755 "$work" && testnet_user_copies "$bin" "$work/user"
live_arp=$((${#nbt_hosts[@]} + ${#arp_only[@]}))
live_nbt=${#nbt_hosts[@]}

# The addresses a tool's output names, of the hosts that should answer it.
found() { # found OUTPUT HOSTS...
    local out=$1 count=0 ip
    shift
    for ip in "$@"; do
        grep -qE "(^|[^0-9.])${ip//./\\.}([^0-9.]|$)" <<<"$out" && count=$((count + 1))
    done
    echo $count
}

results=$work/results
run() { # run NAME COMMAND... -> "NAME seconds output-file" line in $results
    local tool=$1 start end
    shift
    testnet_flush_neighbours
    start=$(date +%s.%N)
    testnet_scanner_exec "$@" >"$work/$tool.out" 2>/dev/null || true
    end=$(date +%s.%N)
    echo "$tool $(echo "$end - $start" | bc -l)" >>"$results"
}

for round in $(seq "$runs"); do
    run nbtscan nbtscan 198.18.0.0/16
    run udp-fast "$cli" scan --method udp --range 198.18.0.0/16 --pace-ms 0 --format kst
    run arp-scan arp-scan --interface=eth0 --quiet 198.18.0.0/16
    run arp-fast "$cli" scan --method arp --range 198.18.0.0/16 --pace-ms 0 --format kst
    run arp-helper "${testnet_as_user[@]}" "$work/user/bin/netkestrel-cli" scan --method arp --range 198.18.0.0/16 --pace-ms 0 --format kst
    for tool in nbtscan udp-fast; do
        echo "$tool-found $(found "$(cat "$work/$tool.out")" "${nbt_hosts[@]}")" >>"$results"
    done
    for tool in arp-scan arp-fast arp-helper; do
        echo "$tool-found $(found "$(cat "$work/$tool.out")" "${nbt_hosts[@]}" "${arp_only[@]}")" >>"$results"
    done
done

median() { awk -v t="$1" '$1==t{print $2}' "$results" | sort -n | awk '{v[NR]=$1} END{print v[int((NR+1)/2)]}'; }
fewest() { awk -v t="$1-found" '$1==t{print $2}' "$results" | sort -n | head -n1; }
echo "198.18.0.0/16: $live_nbt node-status hosts, $live_arp hosts answering ARP; $runs round(s)"
printf '%-10s %10s %8s\n' tool "median s" found
for tool in nbtscan udp-fast arp-scan arp-fast arp-helper; do
    case $tool in nbtscan | udp-fast) of=$live_nbt ;; *) of=$live_arp ;; esac
    printf '%-10s %10.3f %5s/%d\n' "$tool" "$(median $tool)" "$(fewest $tool)" "$of"
done
udp_ratio=$(echo "$(median udp-fast) / $(median nbtscan)" | bc -l)
arp_ratio=$(echo "$(median arp-fast) / $(median arp-scan)" | bc -l)
printf 'UDP fast / nbtscan:  %.3f (goal at most 0.5 with %d/%d found)\n' "$udp_ratio" "$live_nbt" "$live_nbt"
helper_ratio=$(echo "$(median arp-helper) / $(median arp-fast)" | bc -l)
printf 'ARP fast / arp-scan: %.3f (goal at most 0.1 with %d/%d found)\n' "$arp_ratio" "$live_arp" "$live_arp"
printf 'ARP helper / fast:   %.3f (goal at most 1 with %d/%d found)\n' "$helper_ratio" "$live_arp" "$live_arp"
