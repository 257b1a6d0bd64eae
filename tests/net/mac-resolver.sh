#!/usr/bin/env bash
# ARP scans of a private test network through libmac.so, loaded by the
# mac_probe driver as the program loads it: once with CAP_NET_RAW (raw ARP)
# and once without it (the kernel's neighbour table), each with 15 ms and
# with no pacing. Every run must list exactly the answering hosts with their
# MAC texts, and the library's trace must show that the intended path ran.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/testnet.sh"
testnet_require_root

bin=${NETKESTREL_BIN_DIR:?NETKESTREL_BIN_DIR must name the build bin folder}
probe=$bin/mac_probe
library=$bin/libmac.so
[ -x "$probe" ] && [ -f "$library" ] || {
    echo "mac-resolver: $probe or $library missing" >&2
    exit 1
}

work=$(mktemp -d)
testnet_create 198.18.7.1/24 00:1c:42:aa:07:01
trap 'rm -rf "$work"; testnet_destroy' EXIT

# Host address and MAC; every other address of 198.18.7.0/24 stays silent.
hosts=(
    198.18.7.2 00:0a:e4:20:53:55
    198.18.7.3 00:1b:21:0f:a0:03
    198.18.7.10 3c:d9:2b:00:00:0a
    198.18.7.17 00-50-56-C0-00-11
    198.18.7.33 f0:de:f1:12:34:56
    198.18.7.64 00:e0:4c:68:01:02
    198.18.7.99 08:00:27:ab:cd:ef
    198.18.7.128 00:14:22:01:23:45
    198.18.7.129 b8:27:eb:9a:bc:de
    198.18.7.200 00:1a:a0:00:00:c8
    198.18.7.201 ac:de:48:00:11:22
    198.18.7.250 00:0c:29:fe:dc:ba
    198.18.7.254 d8:9e:f3:0a:0b:0c
)
for ((i = 0; i < ${#hosts[@]}; i += 2)); do
    testnet_add_host "${hosts[i]}" "${hosts[i + 1]}"
done

# The expected output for hosts FROM..TO: the scanner itself answers with its
# own MAC, as the Windows call does.
expected() {
    local from=$1 to=$2 i last
    {
        echo "198.18.7.1 00:1c:42:aa:07:01"
        for ((i = 0; i < ${#hosts[@]}; i += 2)); do
            echo "${hosts[i]} ${hosts[i + 1]}"
        done
    } | while read -r ip mac; do
        last=${ip##*.}
        if ((last >= from && last <= to)); then
            mac=${mac//[:-]/-}
            echo "$ip ${mac^^}"
        fi
    done
}

failures=0

# scan NAME PATH FROM TO EXPECTED_FROM EXPECTED_TO [mac_probe options...]
# PATH is raw (as root) or kernel (CAP_NET_RAW dropped).
scan() {
    local name=$1 path=$2 from=$3 to=$4 expectFrom=$5 expectTo=$6
    shift 6
    local drop=() failed=$failures
    [ "$path" = kernel ] && drop=(setpriv --inh-caps=-net_raw --bounding-set=-net_raw --)
    testnet_flush_neighbours
    if ! NETKESTREL_MAC_TRACE=1 testnet_scanner_exec "${drop[@]}" "$probe" "$library" 198.18.7. "$from" "$to" "$@" \
        >"$work/out" 2>"$work/trace"; then
        echo "FAIL $name: mac_probe failed"
        cat "$work/trace"
        failures=$((failures + 1))
        return
    fi
    if ! diff -u --label expected <(expected "$expectFrom" "$expectTo") --label "$name" "$work/out"; then
        echo "FAIL $name: scan result differs"
        failures=$((failures + 1))
    fi
    # Every worker but the scanner's own address must have taken PATH.
    local wrong
    wrong=$(grep '^mac-trace ' "$work/trace" | awk -v path="$path" '$3 != path && $3 != "own"' || true)
    if [ -n "$wrong" ] || ! grep -q "^mac-trace [0-9.]* $path " "$work/trace"; then
        echo "FAIL $name: workers did not all take the $path path:"
        echo "${wrong:-no worker traced}"
        failures=$((failures + 1))
    fi
    ((failures > failed)) || echo "ok $name"
}

scan "raw, pace 15" raw 0 255 0 255 --pace 15
scan "raw, pace 0, bounds -3..258" raw 0 255 0 255 --pace 0 --bounds -3 262
scan "raw, second call hides the first" raw 0 127 128 255 --pace 0 --then 128 255
scan "kernel, pace 15" kernel 0 255 0 255 --pace 15
scan "kernel, pace 0, bounds -3..258" kernel 0 255 0 255 --pace 0 --bounds -3 262
scan "kernel, second call hides the first" kernel 0 127 128 255 --pace 0 --then 128 255
scan "raw, one host" raw 17 17 17 17 --pace 0

if ((failures > 0)); then
    echo "mac-resolver: $failures failure(s)"
    exit 1
fi
echo "mac-resolver: all scans matched"
