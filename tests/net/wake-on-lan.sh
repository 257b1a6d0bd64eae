#!/usr/bin/env bash
# Wake-on-LAN magic packets of netkestrel-cli caught by a UDP listener on a
# host of a test network: the limited broadcast to port 1001 (or the
# network's broadcast when there is no route for it), the packets
# byte for byte against what Debian's wakeonlan sends for the same MAC (run
# in the test network only, aimed at the listener's address), MAC texts that
# are skipped and said, and the destination that tests may choose.
set -euo pipefail
source "$NETKESTREL_SOURCE_DIR/tests/net/testnet.sh"
source "$NETKESTREL_SOURCE_DIR/tests/net/check.sh"
testnet_require_root
if ! command -v wakeonlan >/dev/null; then
    echo "skipped: wakeonlan is not installed (scripts/install-deps.sh installs it)" >&2
    exit 77
fi

cli="$NETKESTREL_BIN_DIR/netkestrel-cli"
net=198.18.21
work=$(mktemp -d)

testnet_create $net.1/24
trap 'testnet_destroy; rm -rf "$work"' EXIT
testnet_add_host $net.10 00:0a:e4:00:15:0a
# Every datagram to port 1001 on the host, as "hex-payload source" lines.
testnet_host_exec $net.10 /usr/bin/python3 -c '
import socket, sys
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("0.0.0.0", 1001))
open(sys.argv[2], "w").close()
with open(sys.argv[1], "a") as out:
    while True:
        data, source = s.recvfrom(4096)
        out.write(data.hex() + " " + source[0] + "\n")
        out.flush()
' "$work/caught" "$work/ready" </dev/null >"$work/listener.log" 2>&1 &
testnet_track_pid $!
for ((i = 0; i < 300; i++)); do
    [ -e "$work/ready" ] && break
    sleep 0.01
done
[ -e "$work/ready" ] || { echo "the listener did not start: $(cat "$work/listener.log")" >&2; exit 1; }
touch "$work/caught"

# Waits until the listener has caught N datagrams in all (up to 3 s).
caught_count() {
    local n=$1 tries
    for ((tries = 0; tries < 300; tries++)); do
        [ "$(wc -l <"$work/caught")" -ge "$n" ] && break
        sleep 0.01
    done
    wc -l <"$work/caught"
}

# The magic packet of a MAC in colon form, in hex, built here from its layout.
magic() {
    local mac=${1//:/} packet=ffffffffffff i
    for ((i = 0; i < 16; i++)); do packet+=$mac; done
    echo "$packet"
}

mac1=00:0a:e4:20:53:55
mac2=00:0a:e4:20:53:56

# No default route and no route for the limited broadcast: the packet goes
# to the network's own broadcast address instead.
status=0
out=$(testnet_scanner_exec "$cli" wol "$mac2") || status=$?
check "no route: wording" "Successfully Send 1 records " "$out"
check "no route: exit status" 0 "$status"
caught_count 1 >/dev/null
check "no route: caught" "$(magic $mac2) $net.1" "$(cat "$work/caught")"
: >"$work/caught"

# With a route for it the limited broadcast leaves; the sender's only
# network is the test's own.
testnet_scanner_exec ip route add 255.255.255.255/32 dev eth0

status=0
out=$(testnet_scanner_exec "$cli" wol 00-0A-E4-20-53-55 "$mac2") || status=$?
check "two packets: wording" "Successfully Send 2 records " "$out"
check "two packets: exit status" 0 "$status"
check "two packets caught" 2 "$(caught_count 2)"
check "broadcast payloads and sender" "$(magic $mac1) $net.1
$(magic $mac2) $net.1" "$(sed -n 1,2p "$work/caught")"

testnet_scanner_exec wakeonlan -i $net.10 -p 1001 $mac1 >/dev/null
check "wakeonlan's packet caught" 3 "$(caught_count 3)"
ours=$(sed -n 1p "$work/caught" | cut -d' ' -f1)
theirs=$(sed -n 3p "$work/caught" | cut -d' ' -f1)
check "the same bytes as wakeonlan" "$theirs" "$ours"
check "102 bytes" 204 "${#ours}"

status=0
out=$(testnet_scanner_exec "$cli" wol "$mac1" bogus 00-0A-E4 --to $net.10:1001) || status=$?
check "skipped MACs: wording" "Successfully Send 1 records 
2 records were skipped: their MAC addresses are not six hexadecimal parts." "$out"
check "skipped MACs: exit status" 1 "$status"
caught_count 4 >/dev/null
sleep 0.3 # a skipped MAC would have arrived by now
check "only the good one caught" 4 "$(wc -l <"$work/caught")"
check "sent to the address given" "$(magic $mac1) $net.1" "$(sed -n 4p "$work/caught")"

status=0
testnet_scanner_exec "$cli" wol "$mac1" --to nowhere >/dev/null 2>&1 || status=$?
check "a bad --to is bad usage" 2 "$status"

check_summary
