#!/usr/bin/env bash
# The ARP scan of netkestrel-cli across several /24 networks of one local
# /20: every host found however far apart (also .0 and .255 addresses inside
# the /20), rows in address order with their marker rows, both pacings; and
# ranges that are not on the local network refused before anything is sent.
set -euo pipefail
source "$NETKESTREL_SOURCE_DIR/tests/net/testnet.sh"
source "$NETKESTREL_SOURCE_DIR/tests/net/check.sh"
testnet_require_root

cli="$NETKESTREL_BIN_DIR/netkestrel-cli"

testnet_create 198.18.112.1/20
scanner_mac=$(testnet_scanner_mac | tr 'a-f:' 'A-F-')

# address -> MAC; the scanner itself answers too.
declare -A macs=(
    [198.18.112.1]=$scanner_mac
    [198.18.112.2]=02-00-00-70-00-02 [198.18.113.77]=02-00-00-71-00-4D [198.18.115.255]=02-00-00-73-00-FF
    [198.18.116.0]=02-00-00-74-00-00 [198.18.121.130]=02-00-00-79-00-82 [198.18.127.254]=02-00-00-7F-00-FE
)
for address in "${!macs[@]}"; do
    [ "$address" = 198.18.112.1 ] || testnet_add_host "$address" "${macs[$address]}"
done

number_of() { # dotted address -> number
    local IFS=.
    set -- $1
    echo $((($1 << 24) | ($2 << 16) | ($3 << 8) | $4))
}

# The result file lines that a scan of FROM..TO must print, in address order.
expected_rows() { # expected_rows FROM TO SHOW_SILENT
    local from to n address number=0
    from=$(number_of "$1")
    to=$(number_of "$2")
    for ((n = from; n <= to; n++)); do
        address="$((n >> 24)).$(((n >> 16) & 255)).$(((n >> 8) & 255)).$((n & 255))"
        if [ -n "${macs[$address]:-}" ]; then
            number=$((number + 1))
            printf '"%s","%s","%s","","",""\r\n' $number "$address" "${macs[$address]}"
        elif [ "$3" = 1 ]; then
            printf '"","%s","Non-Responded IP","","",""\r\n' "$address"
        fi
    done
}

found_between() { # found_between FROM TO
    local from to count=0 address n
    from=$(number_of "$1")
    to=$(number_of "$2")
    for address in "${!macs[@]}"; do
        n=$(number_of "$address")
        ((n >= from && n <= to)) && count=$((count + 1))
    done
    echo $count
}

scan() { # scan ARGS... : result lines in $out, standard error in $err, exit status in $status
    local o e
    o=$(mktemp)
    e=$(mktemp)
    status=0
    testnet_scanner_exec "$cli" scan --format kst "$@" >"$o" 2>"$e" || status=$?
    out=$(cat "$o")
    err=$(cat "$e")
    rm -f "$o" "$e"
}

# The whole /20 (16 networks) in the fast pacing, several networks at once.
scan --range 198.18.112.0/20 --pace-ms 0
check "fast /20: every host, address order" "$(expected_rows 198.18.112.1 198.18.127.254 0)" "$out"
check "fast /20: completion" "Scan Complete! Scanned: 4094 IP, Found 7 connected " "$err"

# Marker rows between the found hosts, still in address order.
testnet_flush_neighbours
scan --from 198.18.113.70 --to 198.18.116.3 --pace-ms 0 --show-silent
check "fast, marker rows" "$(expected_rows 198.18.113.70 198.18.116.3 1)" "$out"
check "fast, marker rows: completion" \
    "Scan Complete! Scanned: 702 IP, Found $(found_between 198.18.113.70 198.18.116.3) connected " "$err"

# The default pacing resolves one network after the other; entered backwards.
scan --from 198.18.116.10 --to 198.18.115.200
check "default pacing, two networks" "$(expected_rows 198.18.115.200 198.18.116.10 0)" "$out"

# Not on the local network: refused, and not one packet leaves the scanner.
sent_packets() {
    testnet_scanner_exec cat /sys/class/net/eth0/statistics/tx_packets
}
# (a whole /20 beside it, one that reaches past its end, a /16 elsewhere, and
# single /24 networks outside it in both pacings)
for ends in "198.18.128.1 198.18.143.254 0" "198.18.127.0 198.18.128.255 0" "198.19.0.1 198.19.255.254 0" \
    "198.18.128.1 198.18.128.254 0" "198.18.111.7 198.18.111.9 15"; do
    set -- $ends
    before=$(sent_packets)
    scan --from $1 --to $2 --pace-ms $3
    after=$(sent_packets)
    check "off-link $1..$2: exit status" 1 $status
    check "off-link $1..$2: nothing sent" "$before" "$after"
    check "off-link $1..$2: no rows" "" "$out"
    check "off-link $1..$2: message" "Notice: $1 to $2 is not inside a network of this computer, and ARP only \
reaches hosts on one (198.18.112.1/20 on eth0). Nothing was sent. Use the UDP scan for hosts behind a router." \
        "$err"
done

# More than a /16: refused as bad input.
scan --from 198.18.112.1 --to 198.19.112.1
check "more than 256 networks: usage error" 2 $status

check_summary
