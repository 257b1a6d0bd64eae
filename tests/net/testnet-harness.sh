#!/usr/bin/env bash
# The test network harness itself: what other network tests rely on.
# A child bash builds a network with 25 hosts and a tracked daemon, reports
# what it made and exits; afterwards nothing of it may be left.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/testnet.sh"
testnet_require_root

failures=0
fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}

report=$(mktemp)
trap 'rm -f "$report"' EXIT

# Leaves its namespace names and daemon PID in the report, then exits through
# the harness's EXIT trap.
build_network() {
    set -euo pipefail
    source "$here/testnet.sh"
    testnet_create 198.18.9.1/24
    local i
    for ((i = 10; i < 35; i++)); do
        testnet_add_host "198.18.9.$i" "00-0A-E4-00-09-$(printf %02X "$i")"
    done
    testnet_host_exec 198.18.9.20 sleep 300 >/dev/null &
    testnet_track_pid $!
    local daemon
    for ((i = 0; i < 100; i++)); do
        daemon=$(pgrep -P "$!" -x sleep || true)
        [ -n "$daemon" ] && break
        sleep 0.01
    done
    {
        echo "ns $(testnet_scanner_ns)"
        echo "ns $TESTNET_SWITCH_NS"
        for ((i = 10; i < 35; i++)); do echo "ns $(testnet_host_ns "198.18.9.$i")"; done
        echo "pid ${TESTNET_PIDS[0]}"
        echo "pid ${daemon:-none}"
        echo "mac $(testnet_host_exec 198.18.9.33 cat /sys/class/net/eth0/address)"
        echo "addr $(testnet_host_exec 198.18.9.33 ip -o -4 addr show dev eth0 | awk '{print $4}')"
        echo "ipv6 $(testnet_host_exec 198.18.9.33 cat /proc/sys/net/ipv6/conf/eth0/disable_ipv6)"
        echo "scanner $(testnet_scanner_exec ip -o -4 addr show dev eth0 | awk '{print $4}')"
        # Nothing of the run may stand in the machine's own namespace.
        echo "root-links $(ip -o link show | grep -c -E ' (s0|h[0-9]+|br0)[@:]' || true)"
    } >"$report"
}

start=$SECONDS
(build_network) || fail "building the network failed"
echo "25 hosts built and removed in $((SECONDS - start)) s"

grep -q '^mac 00:0a:e4:00:09:21$' "$report" || fail "host MAC: $(grep '^mac' "$report")"
grep -q '^addr 198.18.9.33/24$' "$report" || fail "host address: $(grep '^addr' "$report")"
grep -q '^ipv6 1$' "$report" || fail "IPv6 not disabled on a host"
grep -q '^scanner 198.18.9.1/24$' "$report" || fail "scanner address: $(grep '^scanner' "$report")"
grep -q '^root-links 0$' "$report" || fail "interfaces left in the root namespace"
[ "$(grep -c '^ns ' "$report")" -eq 27 ] || fail "expected 27 namespaces, report has $(grep -c '^ns ' "$report")"
[ "$(grep '^ns ' "$report" | sort -u | wc -l)" -eq 27 ] || fail "namespace names are not distinct"

while read -r kind value; do
    case $kind in
    ns) [ ! -e "/run/netns/$value" ] || fail "namespace $value left behind" ;;
    pid) [ "$value" != none ] && ! kill -0 "$value" 2>/dev/null || fail "tracked daemon $value still runs" ;;
    esac
done <"$report"

# Addresses outside the benchmarking range or the scanner's network are refused.
for refused in "testnet_create 192.168.1.1/24" "testnet_create 198.20.0.1/24" "testnet_create 198.18.0.1/8"; do
    if (source "$here/testnet.sh" && $refused) 2>/dev/null; then
        fail "accepted: $refused"
    fi
done
if (source "$here/testnet.sh" && testnet_create 198.19.3.1/24 && testnet_add_host 198.19.4.2 00:0a:e4:00:00:01) \
    2>/dev/null; then
    fail "accepted a host outside the scanner's network"
fi

if ((failures > 0)); then
    echo "testnet-harness: $failures failure(s)"
    exit 1
fi
echo "testnet-harness: ok"
