#!/usr/bin/env bash
# An address conflict on a test network: two hosts answer for one address.
# An ARP scan lists the address once with the first MAC, and the analysis and
# the changes report the conflict with both MACs, once while it lasts; the
# same through the helper of an ordinary user.
set -euo pipefail
source "$NETKESTREL_SOURCE_DIR/tests/net/testnet.sh"
source "$NETKESTREL_SOURCE_DIR/tests/net/check.sh"
testnet_require_root

net=198.18.105
work=$(mktemp -d)
cleanup() {
    testnet_destroy
    rm -rf "$work"
}
testnet_create $net.1/24
trap cleanup EXIT
testnet_add_host $net.10 00:0a:e4:69:00:0a
testnet_add_host $net.10 00:0a:e4:69:00:0b again
testnet_add_host $net.11 00:0a:e4:69:00:0c

# JSON lines on stdin -> "kind ip mac [sorted macs]" per line, sorted.
summarise() {
    /usr/bin/python3 -c '
import json, sys
lines = []
for raw in sys.stdin:
    obj = json.loads(raw)
    fields = [obj["kind"], obj["ip"], obj["mac"] if "macs" not in obj else "-"]
    if "macs" in obj:
        assert obj["mac"] == obj["macs"][0], raw
        fields += sorted(obj["macs"])
    lines.append(" ".join(fields))
print("\n".join(sorted(lines)))
'
}
conflict="ip-conflict $net.10 - 00-0A-E4-69-00-0A 00-0A-E4-69-00-0B"

run_checks() { # CLI DATA_FOLDER WHO [COMMAND PREFIX...]
    local cli=$1 data=$2 who=$3
    shift 3
    testnet_scanner_exec "$@" "$cli" scan --from $net.10 --to $net.11 --pace-ms 0 --data-dir "$data" \
        --format json >"$work/scan.json" 2>/dev/null
    check "$who: one row for the address, with one of its MACs" "$net.10 yes
$net.11 00-0A-E4-69-00-0C" "$(/usr/bin/python3 -c '
import json, sys
for raw in sys.stdin:
    o = json.loads(raw)
    print(o["ip"], "yes" if o["ip"].endswith(".10") and o["mac"] in ("00-0A-E4-69-00-0A", "00-0A-E4-69-00-0B") else o["mac"])
' <"$work/scan.json")"

    local status=0
    testnet_scanner_exec "$@" "$cli" analyze --from $net.10 --to $net.11 --pace-ms 0 --no-ip --no-mac \
        --data-dir "$data" --format json >"$work/analyze.json" 2>/dev/null || status=$?
    check "$who: analyze exits 3 with the conflict" 3 $status
    check "$who: analyze --format json reports it with both MACs" "$conflict" "$(summarise <"$work/analyze.json")"

    "$cli" changes --data-dir "$data" --format json >"$work/changes.json"
    check "$who: one ip-conflict over two scans, both MACs new stations" "$conflict
new-station $net.10 00-0A-E4-69-00-0A
new-station $net.10 00-0A-E4-69-00-0B
new-station $net.11 00-0A-E4-69-00-0C" "$(summarise <"$work/changes.json")"
}

mkdir "$work/root"
run_checks "$NETKESTREL_BIN_DIR/netkestrel-cli" "$work/root" root

# An ordinary user: the requests go through the helper.
testnet_user_copies "$NETKESTREL_BIN_DIR" "$work"
mkdir "$work/user"
chmod 777 "$work/user"
run_checks "$work/bin/netkestrel-cli" "$work/user" helper "${testnet_as_user[@]}"

check_summary
