#!/usr/bin/env bash
# The link listener in a test network. netkestrel-arp's listen request spoken
# to directly: its refusals, one listen at a time, and a flood told in a
# bounded number of lines with the rest counted as dropped. LinkListener
# (through listen_probe) as an ordinary user whose only capability is the
# helper's: each kind of frame heard with its address and MAC, the kernel's
# own duplicate address check among them, the rest of the link's traffic
# and damaged frames never passed, and the interface going down.
set -euo pipefail
source "$NETKESTREL_SOURCE_DIR/tests/net/testnet.sh"
source "$NETKESTREL_SOURCE_DIR/tests/net/check.sh"
testnet_require_root

helper="$NETKESTREL_BIN_DIR/netkestrel-arp"
net=198.18.13
testnet_create $net.1/24
testnet_add_host $net.2 02:0a:e4:00:0d:02
testnet_add_host $net.3 02:0a:e4:00:0d:03
work=$(mktemp -d)
trap 'testnet_destroy; rm -rf "$work"' EXIT INT TERM

frames() { testnet_host_exec $net.2 /usr/bin/python3 "$NETKESTREL_SOURCE_DIR/tests/net/link_frames.py" "$@"; }
# talk SECONDS: the helper's answers to the lines on stdin, greeting left
# out; its input stays open SECONDS longer.
talk() {
    { cat; sleep "$1"; } | testnet_scanner_exec "$helper" | grep -vx "netkestrel-arp 1"
}

out=$(printf '%s\n' "listen 1 nosuch0" "listen 2 lo" "listen 0 eth0" "listen 3 eth0 extra" "listen 4 eth0" \
    "listen 5 eth0" "listen 4 eth0" "resolve 4 eth0 300 $net.2" | talk 0.3)
check "refusals, one listen at a time" "error 1 interface
error 2 interface
error 0 malformed
error 3 malformed
listening 4
error 5 too-large
error 4 malformed
error 4 malformed" "$out"

# 1500 senders at once: a second's lines are told, the rest counted.
out=$({
    echo "listen 6 eth0"
    sleep 0.3
    frames burst $net 1500
    sleep 1.5
} | testnet_scanner_exec "$helper")
told=$(grep -c '^heard 6 arp-announcement ' <<<"$out" || true)
dropped=$(awk '$1 == "dropped" && $2 == 6 { n += $3 } END { print n + 0 }' <<<"$out")
check "a flood: each frame told or counted" 1500 $((told + dropped))
check "a flood: lines of one second or two at most" yes "$( ((told >= 500 && told <= 1000)) && echo yes || echo no)"

chmod 755 "$work" && testnet_user_copies "$NETKESTREL_BIN_DIR" "$work/user"
cp "$NETKESTREL_BIN_DIR/listen_probe" "$work/user/bin/"
testnet_scanner_exec "${testnet_as_user[@]}" "$work/user/bin/listen_probe" eth0 60 >"$work/heard" 2>&1 &
probe=$!
testnet_track_pid $probe
for _ in $(seq 50); do
    grep -q . "$work/heard" && break
    sleep 0.1
done
check "listening as a user" listening "$(head -1 "$work/heard")"
# Both sockets bound to the interface, each with its filter in the kernel.
check "filtered in the kernel" "arp:eth0 11
ipv6:eth0 12" "$(testnet_scanner_exec ss -0 -b | awk '/:eth0 / { socket = $4 } /bpf filter/ && socket {
    gsub(/[():]/, "", $3); print socket, $3; socket = "" }' | sort)"

# The kernel of .3 checks a new address of its own (no link-local one, so
# that this is all it sends besides reports the listener does not pass).
testnet_host_exec $net.3 sysctl -qw net.ipv6.conf.eth0.addr_gen_mode=1 net.ipv6.conf.eth0.disable_ipv6=0
testnet_host_exec $net.3 ip -6 addr add 2001:db8::3/64 dev eth0
frames sample $net "$(testnet_scanner_mac)"
expected=$(sort <<EOT
arp-request $net.2 02-0A-E4-00-0D-02
arp-reply $net.12 02-0A-E4-00-0D-12
arp-probe $net.22 02-0A-E4-00-0D-22
arp-announcement $net.32 02-0A-E4-00-0D-32
arp-announcement $net.33 02-0A-E4-00-0D-33
ns fe80::2 02-0A-E4-00-0D-42
na 2001:db8::52 02-0A-E4-00-0D-52
dad 2001:db8::62 02-0A-E4-00-0D-02
ns fe80::72 02-0A-E4-00-0D-02
dad 2001:db8::3 02-0A-E4-00-0D-03
EOT
)
for _ in $(seq 50); do
    (($(wc -l <"$work/heard") > 10)) && break
    sleep 0.1
done
sleep 0.5 # for any frame that should not come
check "heard, each once, nothing else" "$expected" "$(sed 1d "$work/heard" | sort)"

ip -n "$(testnet_scanner_ns)" link set eth0 down
status=0
wait $probe || status=$?
check "interface down" "3 lost: Stopped listening on eth0: the interface went down or away." \
    "$status $(tail -1 "$work/heard")"

check_summary
