#!/usr/bin/env bash
# ARP scan benchmark: netkestrel-cli in its default and fast pacing against
# arp-scan, on a test network of its own (a /24 with 24 live hosts), three
# runs each, in the same run; the fast pacing also as an ordinary user whose
# only capability is that of netkestrel-arp (the helper's path). Prints wall
# time and hosts found per run, the medians, the ratio of each to arp-scan's
# default, and that of the helper's path to the in-process one (root).
#   bench/arp-scan.sh [BUILD_BIN_DIR]     (root; builds nothing)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export NETKESTREL_SOURCE_DIR=${NETKESTREL_SOURCE_DIR:-$(dirname "$here")}
bin=${1:-${NETKESTREL_BIN_DIR:-$NETKESTREL_SOURCE_DIR/build/bin}}
source "$NETKESTREL_SOURCE_DIR/tests/net/testnet.sh"
testnet_require_root
command -v arp-scan >/dev/null || { echo "arp-scan is not installed (Debian package arp-scan)" >&2; exit 1; }

net=198.18.9
live=24
testnet_create $net.1/24
for ((i = 0; i < live; i++)); do
    n=$((10 + i * 9))
    testnet_add_host $net.$n "$(printf '00:0a:e4:00:%02x:%02x' $((n / 256)) $((n % 256)))"
done

# run NAME COMMAND...: prints "NAME seconds hosts", the hosts counted from the
# addresses of 198.18.9.x (the scanner's own address not counted).
run() {
    local name=$1 start end out hosts
    shift
    testnet_flush_neighbours
    start=$(date +%s.%N)
    out=$(testnet_scanner_exec "$@" 2>/dev/null)
    end=$(date +%s.%N)
    hosts=$(grep -oE "$net\.[0-9]+" <<<"$out" | grep -vx "$net.1" | sort -u | wc -l)
    printf '%s %.3f %d\n' "$name" "$(echo "$end - $start" | bc -l)" "$hosts"
}

# The helper's path: copies the user can read, only the helper setcap'ed.
user_work=$(mktemp -d)
trap 'testnet_destroy; rm -rf "$user_work"' EXIT INT TERM
testnet_user_copies "$bin" "$user_work"

results=$(mktemp)
for round in 1 2 3; do
    run arp-scan arp-scan --interface=eth0 --quiet $net.0/24 >>"$results"
    run netkestrel-default "$bin/netkestrel-cli" scan --from $net.1 --to $net.254 --format kst >>"$results"
    run netkestrel-fast "$bin/netkestrel-cli" scan --from $net.1 --to $net.254 --format kst --pace-ms 0 >>"$results"
    run netkestrel-helper "${testnet_as_user[@]}" "$user_work/bin/netkestrel-cli" scan --from $net.1 --to $net.254 \
        --format kst --pace-ms 0 >>"$results"
done

echo "live hosts: $live"
echo "tool                 run times (s)             median  hosts  ratio to arp-scan"
base=$(awk '$1=="arp-scan"{print $2}' "$results" | sort -n | sed -n 2p)
for tool in arp-scan netkestrel-default netkestrel-fast netkestrel-helper; do
    times=$(awk -v t=$tool '$1==t{printf "%s ", $2}' "$results")
    median=$(awk -v t=$tool '$1==t{print $2}' "$results" | sort -n | sed -n 2p)
    hosts=$(awk -v t=$tool '$1==t{print $3}' "$results" | sort -n | head -n1)
    printf '%-20s %-25s %6.3f  %5s  %.2f\n' "$tool" "$times" "$median" "$hosts/$live" "$(echo "$median / $base" | bc -l)"
done
median() { awk -v t="$1" '$1==t{print $2}' "$results" | sort -n | sed -n 2p; }
printf 'helper / in-process (fast pacing): %.2f\n' "$(echo "$(median netkestrel-helper) / $(median netkestrel-fast)" | bc -l)"
rm -f "$results"
