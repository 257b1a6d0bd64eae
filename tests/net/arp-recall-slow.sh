#!/usr/bin/env bash
# Recall of the ARP scan when answers come late or twice: hosts whose replies
# are held back 150 ms, hosts whose every reply arrives twice, among ordinary
# ones. A wait longer than the delay (the fast mode's own, one set with
# --arp-timeout-ms, the default pacing's) finds the late hosts; a doubled
# reply gives one row, counted once. Delay and copies come from a netem
# queue on the host when the kernel has one, else from a responder of the
# tests' own that answers in place of the host's kernel.
set -euo pipefail
source "$NETKESTREL_SOURCE_DIR/tests/net/testnet.sh"
source "$NETKESTREL_SOURCE_DIR/tests/net/check.sh"
testnet_require_root

net=198.18.14
testnet_create $net.1/24 02:0a:e4:00:0e:01
work=$(mktemp -d)
trap 'testnet_destroy; rm -rf "$work"' EXIT INT TERM
chmod 755 "$work"

mac_of() { printf '02:0a:e4:00:0e:%02x' "$1"; }
plain=(2 100 254) late=(20 120) doubled=(60 200)
for n in "${plain[@]}" "${late[@]}" "${doubled[@]}"; do
    testnet_add_host $net.$n "$(mac_of "$n")"
done
netem=1
testnet_host_exec $net.${late[0]} tc qdisc add dev eth0 root netem delay 150ms 2>/dev/null || netem=0
if ((netem)); then
    echo "delays and copies: netem"
else
    echo "delays and copies: the kernel has no netem queue; arp_responder.py answers instead"
fi
# slow N DELAY_MS COPIES: the host's replies held back and repeated.
slow() {
    local ip=$net.$1
    if ((netem)); then
        if (($2 > 0)); then
            testnet_host_exec "$ip" tc qdisc replace dev eth0 root netem delay "$2ms"
        else
            testnet_host_exec "$ip" tc qdisc replace dev eth0 root netem duplicate 100%
        fi
        return
    fi
    testnet_host_exec "$ip" ip link set eth0 arp off
    ip netns exec "$(testnet_host_ns "$ip")" /usr/bin/python3 "$NETKESTREL_SOURCE_DIR/tests/net/arp_responder.py" \
        eth0 "$ip" "$(mac_of "$1")" "$2" "$3" >"$work/resp-$1" 2>&1 &
    testnet_track_pid $!
    for _ in $(seq 50); do grep -q ready "$work/resp-$1" && return; sleep 0.1; done
    echo "responder for $ip did not start: $(cat "$work/resp-$1")" >&2
    exit 1
}
for n in "${late[@]}"; do slow "$n" 150 1; done
for n in "${doubled[@]}"; do slow "$n" 0 2; done

all=$(for n in 1 "${plain[@]}" "${late[@]}" "${doubled[@]}"; do echo "$n"; done | sort -n)
testnet_user_copies "$NETKESTREL_BIN_DIR" "$work/user"
scan() { # NAME PREFIX... :: OPTIONS...: rows (address and MAC) and completion checked
    local name=$1 prefix=() expected
    shift
    while [ "$1" != :: ]; do prefix+=("$1") && shift; done
    shift
    testnet_flush_neighbours
    testnet_scanner_exec "${prefix[@]}" scan --format kst --range $net.0/24 "$@" >"$work/out" 2>"$work/err" ||
        echo "exit status $?" >>"$work/err"
    expected=$(for n in $all; do echo "$net.$n $(mac_of "$n" | tr 'a-f:' 'A-F-')"; done)
    check "$name" "$expected" "$(tr -d '\r' <"$work/out" | awk -F'","' '$3 != "Non-Responded IP" {print $2, $3}')"
    check "$name: completion" "Scan Complete! Scanned: 254 IP, Found 8 connected " "$(cat "$work/err")"
}

cli=$NETKESTREL_BIN_DIR/netkestrel-cli
scan "fast, its own wait" "$cli" :: --pace-ms 0
scan "default pacing" "$cli" ::
scan "fast, through the helper" "${testnet_as_user[@]}" "$work/user/bin/netkestrel-cli" :: --pace-ms 0
scan "fast, every address listed" "$cli" :: --pace-ms 0 --show-silent
check "every address listed once" 254 "$(tr -d '\r' <"$work/out" | awk -F'","' '{print $2}' | sort -u | wc -l)"
check "no more rows than addresses" 254 "$(wc -l <"$work/out")"
check_summary
