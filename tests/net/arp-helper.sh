#!/usr/bin/env bash
# netkestrel-arp, the helper that holds CAP_NET_RAW for the engine, spoken to
# directly in a test network: the requests it refuses and why, answers only
# for what was asked (a duplicated address with both its MACs), and the
# capabilities it keeps (none) once it has greeted.
set -euo pipefail
source "$NETKESTREL_SOURCE_DIR/tests/net/testnet.sh"
source "$NETKESTREL_SOURCE_DIR/tests/net/check.sh"
testnet_require_root

helper="$NETKESTREL_BIN_DIR/netkestrel-arp"
net=198.18.11
testnet_create $net.1/24
testnet_add_host $net.2 02:0a:e4:00:0b:02
testnet_add_host $net.3 02:0a:e4:00:0b:03
testnet_add_host $net.4 02:0a:e4:00:0b:04
# .3 answers for .7 too: one address, two MACs.
testnet_add_host $net.7 02:0a:e4:00:0b:07
ip -n "$(testnet_host_ns $net.3)" addr add $net.7/24 dev eth0
work=$(mktemp -d)
trap 'testnet_destroy; rm -rf "$work"' EXIT INT TERM

# talk SECONDS: the helper's answers (sorted, the greeting left out) to the
# lines on stdin; its input stays open SECONDS longer.
talk() {
    { cat; sleep "$1"; } | testnet_scanner_exec "$helper" | grep -vx "netkestrel-arp 1" | sort
}

# Refusals: expected answer <TAB> request.
many=$(printf "$net.2,%.0s" $(seq 400))
refusals=$(cat <<EOT
error 1 interface	resolve 1 nosuch0 300 $net.2
error 2 interface	resolve 2 lo 300 127.0.0.1
error 3 off-link	resolve 3 eth0 300 198.18.12.2
error 4 off-link	sweep 4 eth0 0 100 $net.2,10.0.0.1
error 5 too-large	resolve 5 eth0 300 198.18.0.0-198.19.0.0
error 6 too-large	resolve 6 eth0 300 ${many}$net.3
error 0 malformed	resolve 0 eth0 300 $net.2
error 7 malformed	resolve 7 eth0 0 $net.2
error 8 malformed	resolve 8 eth0 10001 $net.2
error 9 malformed	sweep 9 eth0 1000001 100 $net.2
error 10 malformed	resolve 10 eth0 300 $net.9-$net.2
error 11 malformed	resolve 11 eth0 300 $net.256
error 12 malformed	resolve 12 eth0 300 $net.2,
error 13 malformed	frobnicate 13 eth0 300 $net.2
error 14 malformed	resolve 14 eth0 300 $net.2 extra
error 15 malformed	resolve 15 eth0/x 300 $net.2
error 0 malformed	resolve  16 eth0 300 $net.2
error 0 malformed	
EOT
)
out=$({
    cut -f2 <<<"$refusals"
    printf '\x00\xff\x01 binary\r\n'
    printf 'resolve 17 eth0 300 %s' "$(head -c 9000 /dev/zero | tr '\0' 1)"
    printf '\nresolve 18 eth0 300 %s' "$net.2" # a partial line at the end: never taken
} | talk 0.5)
check "refusals" "$( (cut -f1 <<<"$refusals"; echo "error 0 malformed"; echo "error 17 too-large") | sort)" "$out"

# Answers for what was asked, not for the kernel's own request for .4 (a
# datagram to it) that runs meanwhile; a repeated ID is refused while it runs.
out=$({
    echo "resolve 20 eth0 600 $net.2-$net.3,$net.5"
    echo "resolve 20 eth0 600 $net.2"
    echo "sweep 21 eth0 500 300 $net.6-$net.8"
    testnet_scanner_exec bash -c "echo >/dev/udp/$net.4/9"
} | talk 1)
check "answers" "$(sort <<EOT
mac 20 $net.2 02-0A-E4-00-0B-02
mac 20 $net.3 02-0A-E4-00-0B-03
error 20 malformed
done 20
mac 21 $net.7 02-0A-E4-00-0B-03
mac 21 $net.7 02-0A-E4-00-0B-07
done 21
EOT
)" "$out"

# As an ordinary user: with cap_net_raw+p on its file it greets and then
# holds nothing; without, it says so and ends.
cp "$helper" "$work/with" && cp "$helper" "$work/without"
chmod 755 "$work" && setcap cap_net_raw+p "$work/with"
as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups --)
mkfifo "$work/in"
ip netns exec "$(testnet_scanner_ns)" "${as_user[@]}" "$work/with" <"$work/in" >"$work/greeting" &
pid=$!
exec 3>"$work/in" # its input stays open until closed below
for _ in $(seq 50); do
    [ -s "$work/greeting" ] && break
    sleep 0.1
done
check "greeting as a user" "netkestrel-arp 1" "$(cat "$work/greeting")"
check "capabilities kept" "0000000000000000 0000000000000000 0000000000000000" \
    "$(awk '/^Cap(Inh|Prm|Eff):/{printf "%s%s", sep, $2; sep=" "}' /proc/$pid/status)"
exec 3>&-
wait $pid || true
check "no capability" "error 0 permission" "$(testnet_scanner_exec "${as_user[@]}" "$work/without" </dev/null)"

check_summary
