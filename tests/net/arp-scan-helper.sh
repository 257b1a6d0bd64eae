#!/usr/bin/env bash
# The raw path of an ordinary user: netkestrel-cli holds no capability, only
# its copy of netkestrel-arp carries cap_net_raw+p. The fast ARP scan (one
# sweep) finds every host through the helper and leaves no entry in the
# scanner's neighbour table, the default one asks through it worker by
# worker; the fast UDP scan sweeps through it (no entry for a silent
# address); a helper killed mid-scan neither hangs nor crashes the scan.
set -euo pipefail
source "$NETKESTREL_SOURCE_DIR/tests/net/testnet.sh"
source "$NETKESTREL_SOURCE_DIR/tests/net/check.sh"
testnet_require_root

net=198.18.13
testnet_create $net.1/24
live=(2 9 50 77 200 254)
for n in "${live[@]}"; do
    testnet_add_host $net.$n "$(printf '02:0a:e4:00:0d:%02x' "$n")"
done
work=$(mktemp -d)
trap 'testnet_destroy; rm -rf "$work"' EXIT INT TERM

# The build folder may not be readable by the user: copies of what runs.
testnet_user_copies "$NETKESTREL_BIN_DIR" "$work"
as_user=("${testnet_as_user[@]}" NETKESTREL_MAC_TRACE=1)
cli="$work/bin/netkestrel-cli"

neighbours() { testnet_scanner_exec ip -4 neigh show dev eth0 | grep -c "^$net\." || true; }
expected=$(for n in 1 "${live[@]}"; do echo $net.$n; done)

testnet_flush_neighbours
out=$(testnet_scanner_exec "${as_user[@]}" "$cli" scan --format kst --range $net.0/24 --pace-ms 0)
check "fast ARP scan (one sweep through the helper) finds every host" "$expected" "$(grep -oE "$net\.[0-9]+" <<<"$out")"
check "no neighbour entries" 0 "$(neighbours)"

testnet_flush_neighbours
out=$(testnet_scanner_exec "${as_user[@]}" "$cli" scan --format kst --range $net.0/24 2>"$work/trace")
check "default ARP scan finds every host" "$expected" "$(grep -oE "$net\.[0-9]+" <<<"$out")"
check "each of its workers through the helper" "253" "$(grep -c '^mac-trace [0-9.]* helper ' "$work/trace")"

testnet_flush_neighbours
testnet_scanner_exec "${as_user[@]}" "$cli" scan --method udp --format kst --range $net.0/24 --pace-ms 0 >/dev/null 2>&1
check "fast UDP scan: entries for live hosts only" 6 "$(neighbours)"

# Killed mid-scan: the hosts it still had count as silent.
ip netns exec "$(testnet_scanner_ns)" "${as_user[@]}" timeout 30 "$cli" scan --format kst \
    --from $net.1 --to $net.254 >"$work/out" 2>/dev/null &
scan=$!
for _ in $(seq 50); do
    helper=$(pgrep -f "^$work/bin/netkestrel-arp$" || true)
    [ -n "$helper" ] && break
    sleep 0.1
done
sleep 0.5
[ -n "$helper" ] && kill -KILL "$helper"
status=0
wait $scan || status=$?
check "scan ends after the helper is killed" 0 "$status"

check_summary
