#!/usr/bin/env bash
# The IP-MAC binding batch files of netkestrel-cli and "run it now" inside a
# test network: the file's bytes, the permanent neighbour entries it makes
# (read back with ip neigh), replacing an entry, an address on no network of
# the machine, and a user who is not root and has no pkexec.
set -euo pipefail
source "$NETKESTREL_SOURCE_DIR/tests/net/testnet.sh"
source "$NETKESTREL_SOURCE_DIR/tests/net/check.sh"
testnet_require_root

cli="$NETKESTREL_BIN_DIR/netkestrel-cli"
net=198.18.22
work=$(mktemp -d)
chmod 755 "$work"
mkdir "$work/data"

testnet_create $net.1/24
trap 'testnet_destroy; rm -rf "$work"' EXIT

# Permanent entries of the scanner's table, one "ADDRESS MAC" line each.
permanent() {
    ip -n "$(testnet_scanner_ns)" neigh show nud permanent | awk '{print $1, $5, $3}' | sort
}

crlf() { printf '%s\r\n' "$@"; }

{
    crlf '"1","'$net'.10","00-0A-E4-20-53-55","","",""'
    crlf '"","'$net'.11","Non-Responded IP","","",""'
    crlf '"2","'$net'.12","00-0a-e4-20-53-57","","",""'
    crlf '"3","198.18.99.5","00-0A-E4-20-53-58","","",""'
} >"$work/scan.kst"

status=0
out=$(testnet_scanner_exec "$cli" arp-script --from-scan "$work/scan.kst" --data-dir "$work/data" 2>"$work/err") ||
    status=$?
check "written: path" "$work/data/ARP-S1.BAT" "$out"
check "written: exit status" 0 "$status"
check "file bytes" "$(crlf "arp -s $net.10 00-0A-E4-20-53-55" "arp -s $net.12 00-0a-e4-20-53-57" \
    "arp -s 198.18.99.5 00-0A-E4-20-53-58" | od -c)" "$(od -c <"$work/data/ARP-S1.BAT")"
check "asked, not run" "Notice: Successfully generated, run it now? " "$(cat "$work/err")"
check "nothing bound without --apply" "" "$(permanent)"

status=0
testnet_scanner_exec "$cli" arp-script --from-scan "$work/scan.kst" --data-dir "$work/data" --apply \
    >/dev/null 2>"$work/err" || status=$?
check "applied: exit status (one address is on no network)" 1 "$status"
check "applied: entries" "$net.10 00:0a:e4:20:53:55 eth0
$net.12 00:0a:e4:20:53:57 eth0" "$(permanent)"
check "applied: report" "Notice: Successfully generated, run it now? 
Notice: Bound in this machine's neighbour table (2):
$net.10 00-0A-E4-20-53-55 on eth0
$net.12 00-0a-e4-20-53-57 on eth0

Not bound (1):
198.18.99.5 00-0A-E4-20-53-58: no network interface of this machine is on its network" "$(cat "$work/err")"
check "file not grown" 3 "$(grep -c 'arp -s' "$work/data/ARP-S1.BAT")"

# The records of a data folder; a new MAC replaces the permanent entry.
for record in "$net.10 00-0A-E4-20-53-99" "$net.13 00-0A-E4-20-53-13"; do
    set -- $record
    "$cli" records add --data-dir "$work/data" --ip "$1" --mac "$2" >/dev/null
done
status=0
out=$(testnet_scanner_exec "$cli" arp-script --from-records --data-dir "$work/data" --apply 2>/dev/null) ||
    status=$?
check "records: path" "$work/data/ARP-S2.BAT" "$out"
check "records: exit status" 0 "$status"
check "records: entries replaced and added" "$net.10 00:0a:e4:20:53:99 eth0
$net.12 00:0a:e4:20:53:57 eth0
$net.13 00:0a:e4:20:53:13 eth0" "$(permanent)"

# Not root: the privilege is asked for through /usr/bin/pkexec, by its path
# whatever PATH holds. Where it is installed it finds no authentication agent.
install -d -o 65534 -g 65534 "$work/nobody" "$work/nobody/data"
status=0
testnet_scanner_exec setpriv --reuid=65534 --regid=65534 --clear-groups \
    env PATH=/nonexistent HOME="$work/nobody" "$cli" arp-script --from-scan "$work/scan.kst" \
    --data-dir "$work/nobody/data" --apply >/dev/null 2>"$work/err" || status=$?
check "not root: exit status" 1 "$status"
said="pkexec is not installed \(Debian package pkexec\)"
[ -x /usr/bin/pkexec ] && said="administrator rights were refused"
check "not root: said" "1" "$(grep -cE "^$net.10 00-0A-E4-20-53-55: $said" "$work/err")"
check "not root: nothing changed" "$net.10 00:0a:e4:20:53:99 eth0
$net.12 00:0a:e4:20:53:57 eth0
$net.13 00:0a:e4:20:53:13 eth0" "$(permanent)"

status=0
testnet_scanner_exec "$cli" arp-script --data-dir "$work/data" >/dev/null 2>&1 || status=$?
check "neither source is bad usage" 2 "$status"

check_summary
