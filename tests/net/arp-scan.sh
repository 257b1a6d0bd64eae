#!/usr/bin/env bash
# The ARP scan of netkestrel-cli against a test network of 14 live hosts with
# known MAC addresses: both resolver paths, marker rows, a range entered
# backwards, one host, vendor names (also from the longer IEEE blocks), and
# an interrupted scan.
set -euo pipefail
source "$NETKESTREL_SOURCE_DIR/tests/net/testnet.sh"
source "$NETKESTREL_SOURCE_DIR/tests/net/check.sh"
testnet_require_root

cli="$NETKESTREL_BIN_DIR/netkestrel-cli"
net=198.18.7


testnet_create $net.1/24
scanner_mac=$(testnet_scanner_mac | tr 'a-f:' 'A-F-')

# host number -> MAC. 00-0A-E4 is a plain 24-bit assignment; 20-85-93 and
# 70-B3-D5 are split by the IEEE into longer blocks.
declare -A macs=(
    [2]=00-0A-E4-20-53-55 [3]=00-0A-E4-00-00-03 [5]=00-0A-E4-00-00-05 [7]=00-0A-E4-00-00-07
    [8]=20-85-93-B0-00-08 [9]=70-B3-D5-F2-F0-09 [11]=00-0A-E4-00-00-0B [13]=02-00-00-00-00-0D
    [17]=00-0A-E4-00-00-11 [18]=00-0A-E4-00-00-12 [21]=00-0A-E4-00-00-15 [22]=00-0A-E4-00-00-16
    [25]=00-0A-E4-00-00-19 [29]=00-0A-E4-00-00-1D
)
for n in "${!macs[@]}"; do
    testnet_add_host $net.$n "${macs[$n]}"
done

vendor_of() {
    case "$1" in
    00-0A-E4*) echo "Wistron Corporation" ;;
    20-85-93-B*) echo "IOG Products LLC" ;;
    70-B3-D5-F2-F*) echo "TELEPLATFORMS" ;;
    *) echo "" ;;
    esac
}

# The result file lines a scan of .FROM to .TO must print.
expected_rows() { # expected_rows FROM TO SHOW_SILENT
    local number=0 n mac
    for ((n = $1; n <= $2; n++)); do
        mac=${macs[$n]:-}
        [ $n -eq 1 ] && mac=$scanner_mac
        if [ -n "$mac" ]; then
            number=$((number + 1))
            printf '"%s","%s","%s","","","%s"\r\n' $number $net.$n "$mac" "$(vendor_of "$mac")"
        elif [ "$3" = 1 ]; then
            printf '"","%s","Non-Responded IP","","",""\r\n' $net.$n
        fi
    done
}

scan() { # scan ARGS... : result file lines in $out, completion text in $completion
    local o e
    o=$(mktemp)
    e=$(mktemp)
    testnet_scanner_exec "$cli" scan --format kst "$@" >"$o" 2>"$e"
    out=$(cat "$o")
    completion=$(cat "$e")
    rm -f "$o" "$e"
}


# The whole live range, raw ARP (CAP_NET_RAW held), default pacing.
scan --from $net.1 --to $net.30
check "raw path, default pacing" "$(expected_rows 1 30 0)" "$out"
check "completion text" "Scan Complete! Scanned: 30 IP, Found 15 connected " "$completion"

# The kernel's neighbour resolution (CAP_NET_RAW dropped), fast pacing.
testnet_flush_neighbours
out=$(testnet_scanner_exec setpriv --inh-caps=-net_raw --bounding-set=-net_raw \
    "$cli" scan --format kst --from $net.1 --to $net.30 --pace-ms 0 2>/dev/null)
check "kernel path, fast pacing" "$(expected_rows 1 30 0)" "$out"

# Fast pacing on the raw path finds what the default finds.
scan --from $net.1 --to $net.30 --pace-ms 0
check "raw path, fast pacing" "$(expected_rows 1 30 0)" "$out"

# Marker rows: numbers count only the answering hosts.
scan --from $net.1 --to $net.30 --show-silent --pace-ms 0
check "marker rows" "$(expected_rows 1 30 1)" "$out"

# The same rows saved as a scan result file.
saved=$(mktemp)
scan --from $net.1 --to $net.30 --show-silent --pace-ms 0 --output "$saved"
check "result file" "$(expected_rows 1 30 1)" "$(cat "$saved")"
rm -f "$saved"

# Entered backwards: walked upwards all the same.
scan --from $net.30 --to $net.10 --pace-ms 0
check "backwards range" "$(expected_rows 10 30 0)" "$out"

# One host.
scan --from $net.13 --to $net.13
check "one host" "$(expected_rows 13 13 0)" "$out"
check "one host completion" "Scan Complete! Scanned: 1 IP, Found 1 connected " "$completion"

# A range written as a network: its host addresses; /31 both, /32 the one.
scan --range $net.0/27 --pace-ms 0
check "network /27" "$(expected_rows 1 30 0)" "$out"
scan --range $net.9/31 --pace-ms 0
check "network /31" "$(expected_rows 8 9 0)" "$out"
scan --range $net.13/32
check "network /32" "$(expected_rows 13 13 0)" "$out"

# The plain table names the vendors too.
table=$(testnet_scanner_exec "$cli" scan --from $net.8 --to $net.9 --pace-ms 0)
check "table" "$(printf '%s\n' \
    "No.   IP Address       MAC Address        Host Name        Workgroup        NIC Vendor" \
    "1     198.18.7.8       20-85-93-B0-00-08                                    IOG Products LLC" \
    "2     198.18.7.9       70-B3-D5-F2-F0-09                                    TELEPLATFORMS" \
    "Scan Complete! Scanned: 2 IP, Found 2 connected ")" "$table"

# Interrupted: SIGINT ends the run like Stop, with the hosts handled so far.
err=$(mktemp)
# (ip netns exec directly, so that $! is the scanner itself and not a subshell)
ip netns exec "$(testnet_scanner_ns)" "$cli" scan --format kst --from $net.1 --to $net.254 >/dev/null 2>"$err" &
pid=$!
sleep 1
kill -INT $pid
status=0
wait $pid || status=$?
check "interrupted scan exits 0" 0 $status
if grep -Eq '^Scan Complete! Scanned: ([0-9]|[0-9][0-9]|1[0-9][0-9]|2[0-4][0-9]|25[0-3]) IP, Found [0-9]+ connected $' "$err"; then
    echo "PASS: interrupted scan reports the hosts handled ($(cat "$err"))"
else
    echo "FAIL: interrupted scan: $(cat "$err")"
    CHECK_FAILED=$((CHECK_FAILED + 1))
fi
rm -f "$err"

# Bad input: nothing is sent, status 2.
status=0
testnet_scanner_exec "$cli" scan --from $net.1 --to 198.19.7.1 2>/dev/null || status=$?
check "range across more than 256 networks refused" 2 $status

check_summary
