#!/usr/bin/env bash
# Two hosts answer for one address of a test network. An ARP scan lists it
# once with the first MAC; analyze and changes report the conflict with both
# MACs, once over two scans. As root (raw ARP in the process) and as an
# ordinary user (through the helper).
set -euo pipefail
source "$NETKESTREL_SOURCE_DIR/tests/net/testnet.sh"
source "$NETKESTREL_SOURCE_DIR/tests/net/check.sh"
testnet_require_root

net=198.18.105
work=$(mktemp -d)
testnet_create $net.1/24
trap 'testnet_destroy; rm -rf "$work"' EXIT
testnet_add_host $net.10 00:0a:e4:69:00:0a
testnet_add_host $net.10 00:0a:e4:69:00:0b again
testnet_add_host $net.11 00:0a:e4:69:00:0c

# JSON lines -> "kind ip mac" per line, sorted; a conflict's mac is its first
# of macs, and "0A|0B" stands for either.
summarise() {
    /usr/bin/python3 -c '
import json, sys
lines = []
for o in map(json.loads, sys.stdin):
    mac = "0A|0B" if o["mac"] in ("00-0A-E4-69-00-0A", "00-0A-E4-69-00-0B") and "macs" not in o else o["mac"]
    if "macs" in o:
        assert o["mac"] == o["macs"][0], o
        mac = ",".join(sorted(o["macs"]))
    lines.append(" ".join([o["kind"], o["ip"], mac]))
print("\n".join(sorted(lines)))'
}
conflict="ip-conflict $net.10 00-0A-E4-69-00-0A,00-0A-E4-69-00-0B"

run_checks() { # CLI DATA_FOLDER WHO [COMMAND PREFIX...]
    local cli=$1 data=$2 who=$3 status=0
    shift 3
    mkdir -m 777 "$data"
    testnet_scanner_exec "$@" "$cli" scan --from $net.10 --to $net.11 --pace-ms 0 --data-dir "$data" \
        --format json 2>/dev/null | summarise >"$work/out"
    check "$who: one row for the address" "host $net.10 0A|0B
host $net.11 00-0A-E4-69-00-0C" "$(cat "$work/out")"
    testnet_scanner_exec "$@" "$cli" analyze --from $net.10 --to $net.11 --pace-ms 0 --no-ip --no-mac \
        --data-dir "$data" --format json 2>/dev/null >"$work/out" || status=$?
    check "$who: analyze exits 3 with the conflict and both MACs" "3 $conflict" "$status $(summarise <"$work/out")"
    check "$who: changes: one ip-conflict over two scans" "$conflict
new-station $net.10 0A|0B
new-station $net.10 0A|0B
new-station $net.11 00-0A-E4-69-00-0C" "$("$cli" changes --data-dir "$data" --format json | summarise)"
}

run_checks "$NETKESTREL_BIN_DIR/netkestrel-cli" "$work/root" root
testnet_user_copies "$NETKESTREL_BIN_DIR" "$work"
run_checks "$work/bin/netkestrel-cli" "$work/user" helper "${testnet_as_user[@]}"

check_summary
