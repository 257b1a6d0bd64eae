#!/usr/bin/env bash
# The UDP scan and the host probes against real peers: three hosts running
# Samba's nmbd (checked against nmblookup -A), crafted responders for the
# replies nmbd never sends, silent addresses, and ICMP echo. The network is
# 198.18.0.0/16, so 198.18.6.255 and 198.18.7.0 are ordinary hosts and a range
# across that /24 boundary must probe both.
set -euo pipefail
source "$NETKESTREL_SOURCE_DIR/tests/net/testnet.sh"
testnet_require_root
for tool in nmbd nmblookup; do
    command -v $tool >/dev/null || { echo "udp-scan: $tool missing (scripts/install-deps.sh); skipped" >&2; exit 77; }
done

cli=$NETKESTREL_BIN_DIR/netkestrel-cli
probe=$NETKESTREL_BIN_DIR/host_probe
responder=$NETKESTREL_SOURCE_DIR/tests/net/nbstat_responder.py
work=$(mktemp -d)
failures=0
cleanup() { testnet_destroy; rm -rf "$work"; }
trap cleanup EXIT INT TERM

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
check() { # check WHAT EXPECTED ACTUAL
    if [ "$2" == "$3" ]; then echo "ok: $1"; else fail "$1"; diff <(echo "$2") <(echo "$3") >&2 || true; fi
}

testnet_create 198.18.7.1/16

# nmbd hosts: IP MAC NAME WORKGROUP
nmbd_hosts=(
    "198.18.7.10 02:0a:e4:00:07:0a ALPHA10 LABONE"
    "198.18.7.11 02:0a:e4:00:07:0b BRAVO11 LABTWO"
    "198.18.7.12 02:0a:e4:00:07:0c CHARLIE12 LABONE"
)
start_nmbd() { # IP MAC NAME WORKGROUP
    testnet_add_host "$1" "$2"
    testnet_start_nmbd "$1" "$3" "$4" "$work/nmbd-$1"
}
for h in "${nmbd_hosts[@]}"; do start_nmbd $h; done

# Crafted responders: IP MAC MODE ARGS...
crafted=(
    "198.18.6.255 02:0a:e4:00:06:ff normal EDGE255 EDGEWG"
    "198.18.7.0 02:0a:e4:00:07:00 normal EDGE0 EDGEWG"
    "198.18.7.20 02:0a:e4:00:07:14 zero"
    "198.18.7.21 02:0a:e4:00:07:15 huge"
    "198.18.7.22 02:0a:e4:00:07:16 twounique"
    "198.18.7.23 02:0a:e4:00:07:17 othergroups"
    "198.18.7.24 02:0a:e4:00:07:18 normal STRANGER WG 198.18.9.99"
    "198.18.7.26 02:0a:e4:00:07:1a solo"
)
for c in "${crafted[@]}"; do
    set -- $c
    ip=$1 mac=$2
    shift 2
    testnet_add_host "$ip" "$mac"
    [ "$ip" = 198.18.7.24 ] && testnet_host_exec "$ip" ip addr add 198.18.9.99/16 dev eth0
    # The unit id sent: the host's MAC, but zeros for EDGE0 (as Samba sends).
    unit=$mac
    [ "$ip" = 198.18.7.0 ] && unit=00:00:00:00:00:00
    ip netns exec "$(testnet_host_ns "$ip")" /usr/bin/python3 "$responder" "$1" "$unit" "${@:2}" \
        >"$work/resp-$ip" 2>&1 &
    testnet_track_pid $!
done
# A host that answers ICMP but no NetBIOS.
testnet_add_host 198.18.7.30 02:0a:e4:00:07:1e

# Wait until every nmbd answers a name lookup (it registers its names first).
declare -A lookup
for h in "${nmbd_hosts[@]}"; do
    set -- $h
    for _ in $(seq 60); do
        out=$(testnet_scanner_exec timeout 5 nmblookup -A "$1" 2>/dev/null || true)
        grep -q '<GROUP>' <<<"$out" && break
        sleep 0.5
    done
    lookup[$1]=$out
done
for c in "${crafted[@]}"; do
    set -- $c
    for _ in $(seq 40); do grep -q ready "$work/resp-$1" && break; sleep 0.1; done
done

# Name and workgroup as nmblookup reports them: the first unique <00> name and
# the <00> group.
nmb_row() { # IP MAC -> IP|MAC|NAME|GROUP
    local out=${lookup[$1]}
    local name group
    name=$(awk '/<00>/ && !/<GROUP>/ {print $1; exit}' <<<"$out")
    group=$(awk '/<00>/ && /<GROUP>/ {print $1; exit}' <<<"$out")
    echo "$1|$(tr 'a-f:' 'A-F-' <<<"$2")|$name|$group"
}
for h in "${nmbd_hosts[@]}"; do
    set -- $h
    check "nmblookup -A $1 names $3/$4" "$1|$(tr 'a-f:' 'A-F-' <<<"$2")|$3|$4" "$(nmb_row "$1" "$2")"
    # nmbd sends a zero unit id; the scan shows the neighbour's MAC instead.
    grep -q 'MAC Address = 00-00-00-00-00-00' <<<"${lookup[$1]}" || fail "nmbd's unit id is not zero ($1)"
done

# The expected scan of 198.18.6.250 .. 198.18.7.40 (47 addresses), in
# address order: number|IP|MAC|NAME|GROUP, markers with an empty number.
expected() { # SHOW_SILENT
    local show=$1 n=0 a ip
    declare -A answer=(
        [198.18.6.255]="02-0A-E4-00-06-FF|EDGE255|EDGEWG"
        [198.18.7.0]="02-0A-E4-00-07-00|EDGE0|EDGEWG"
        [198.18.7.22]="02-0A-E4-00-07-16|SECONDNAME|"
        [198.18.7.23]="02-0A-E4-00-07-17||"
        [198.18.7.26]="02-0A-E4-00-07-1A|SOLO|"
    )
    for h in "${nmbd_hosts[@]}"; do
        set -- $h
        answer[$1]=$(nmb_row "$1" "$2" | cut -d'|' -f2-)
    done
    for a in $(seq 250 255) $(seq 256 296); do
        ip="198.18.$((6 + a / 256)).$((a % 256))"
        if [ -n "${answer[$ip]:-}" ]; then
            n=$((n + 1))
            echo "$n|$ip|${answer[$ip]}"
        elif [ "$show" = 1 ]; then
            echo "|$ip|Non-Responded IP||"
        fi
    done
}
# kst lines ("1","198.18.7.2","MAC","HOST","GROUP","Vendor" CR LF) to number|IP|MAC|HOST|GROUP
rows() { tr -d '\r' | sed -E 's/^"([^"]*)","([^"]*)","([^"]*)","([^"]*)","([^"]*)".*$/\1|\2|\3|\4|\5/'; }
scan() { # FROM TO PACE [--show-silent]
    testnet_scanner_exec "$cli" scan --method udp --from "$1" --to "$2" --pace-ms "$3" ${4:-} --format kst \
        2>"$work/stderr" | rows
}

for pace in 15 0; do
    check "scan pace $pace, markers" "$(expected 1)" "$(scan 198.18.6.250 198.18.7.40 $pace --show-silent)"
    grep -q 'Scan Complete! Scanned: 47 IP, Found 8 connected ' "$work/stderr" || fail "completion text (pace $pace)"
    check "scan pace $pace, entered backwards" "$(expected 0)" "$(scan 198.18.7.40 198.18.6.250 $pace)"
done
check "one address" "1|198.18.7.11|02-0A-E4-00-07-0B|BRAVO11|LABTWO" "$(scan 198.18.7.11 198.18.7.11 15)"
grep -q 'Scanned: 1 IP, Found 1 connected ' "$work/stderr" || fail "completion text of one address"

# Refused before anything is sent.
if testnet_scanner_exec "$cli" scan --method udp --from 198.18.0.0 --to 198.19.0.0 --format kst \
    >"$work/big" 2>&1; then fail "a range of 65,537 addresses was accepted"; fi
grep -q 'at most 65536' "$work/big" || fail "no message for a range that is too large"

# The blocking probe.
check "probe of an nmbd host" "$(nmb_row 198.18.7.10 02:0a:e4:00:07:0a | cut -d'|' -f2-)|1" \
    "$(testnet_scanner_exec "$probe" nbstat 198.18.7.10 0)"
check "probe of a huge name count" "Non-Responded IP|||0" "$(testnet_scanner_exec "$probe" nbstat 198.18.7.21 1)"
check "probe of a silent host" "|||0" "$(testnet_scanner_exec "$probe" nbstat 198.18.7.30 0)"
check "probe of a reply from elsewhere" "|||0" "$(testnet_scanner_exec "$probe" nbstat 198.18.7.24 0)"

# ICMP echo: raw socket first (ping_group_range "1 0" by default), then the
# unprivileged ping socket.
for group_range in "1 0" "0 2147483647"; do
    testnet_scanner_exec sysctl -q -w net.ipv4.ping_group_range="$group_range"
    live=$(testnet_scanner_exec "$probe" ping 198.18.7.30 500)
    if [ "$live" -ge 0 ]; then echo "ok: ping of a live host ($group_range): $live ms"; else fail "ping of a live host gave $live ($group_range)"; fi
    check "ping of a silent address ($group_range)" "-11010" "$(testnet_scanner_exec "$probe" ping 198.18.7.99 300)"
done
check "ping of 300.1.1.1" "0" "$(testnet_scanner_exec "$probe" ping 300.1.1.1 500)"
if testnet_scanner_exec "$cli" ping --help >/dev/null 2>&1; then
    out=$(testnet_scanner_exec "$cli" ping 198.18.7.30) || fail "cli ping of a live host failed"
    [[ $out =~ ^Reply\ from\ \[198\.18\.7\.30\]\ Time\ (\<\ 1|[0-9]+)\ ms\.$ ]] || fail "cli ping wording: $out"
    out=$(testnet_scanner_exec "$cli" ping 198.18.7.99 --timeout-ms 200) && fail "cli ping of silent exited 0"
    check "cli ping of a silent address" "Ping[198.18.7.99] Request timed out." "$out"
    out=$(testnet_scanner_exec "$cli" ping 300.1.1.1) && fail "cli ping of 300.1.1.1 exited 0"
    check "cli ping of 300.1.1.1" "Ping[300.1.1.1] Request timed out." "$out"
    rc=0
    testnet_scanner_exec "$cli" ping >/dev/null 2>&1 || rc=$?
    check "cli ping without an address exits 2" 2 "$rc"
else
    echo "note: netkestrel-cli has no ping command in this build; its checks were left out" >&2
fi

# The scan run with the UDP method, as a Qt test inside the scanner namespace.
testnet_scanner_exec env NETKESTREL_TEST_EXPECT="$(expected 0 | tr '\n' ';')" \
    "$NETKESTREL_BIN_DIR/TestUdpScanRun" || fail "TestUdpScanRun"

[ "$failures" -eq 0 ] || { echo "udp-scan: $failures failure(s)" >&2; exit 1; }
echo "udp-scan: all checks passed"
