#!/usr/bin/env bash
# ARP scan benchmark on a test network of its own: a /24 with 20 live hosts.
# In the same run, five times each: arp-scan at its default and at its
# fastest setting that still finds every host (a small grid tried once
# first); netkestrel-cli at its default pacing, fast (--pace-ms 0), fast with
# a 50 ms final wait, and fast as an ordinary user whose only capability is
# that of netkestrel-arp (the helper's path). Prints run times, medians, hosts
# found and the ratios to the tuned arp-scan, then where the time of one fast
# scan goes (system calls timed by strace, and the CLI's own phase marks
# under NETKESTREL_TIMING).
#   bench/arp-scan.sh [--where] [BUILD_BIN_DIR]   (root; builds nothing;
#                                                 --where: only the last part)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export NETKESTREL_SOURCE_DIR=${NETKESTREL_SOURCE_DIR:-$(dirname "$here")}
where_only=0
[ "${1:-}" = --where ] && { where_only=1; shift; }
bin=${1:-${NETKESTREL_BIN_DIR:-$NETKESTREL_SOURCE_DIR/build/bin}}
[ -d "$bin" ] && bin=$(cd "$bin" && pwd) # the scripts change folder
source "$NETKESTREL_SOURCE_DIR/tests/net/testnet.sh"
testnet_require_root
for tool in arp-scan strace; do
    command -v $tool >/dev/null || { echo "arp-scan bench: $tool missing (scripts/install-deps.sh)" >&2; exit 77; }
done
[ -x "$bin/netkestrel-cli" ] || { echo "arp-scan bench: $bin/netkestrel-cli not built" >&2; exit 1; }
runs=${RUNS:-5}

net=198.18.9
testnet_create $net.1/24
source "$here/bench-lib.sh"
live=()
for ((i = 0; i < 20; i++)); do
    n=$((10 + i * 12)) # up to .238, a few in every part of the range
    testnet_add_host $net.$n "$(printf '00:0a:e4:00:09:%02x' $n)"
    live+=($net.$n)
done
bench_live "${live[@]}"
cli=("$bin/netkestrel-cli" scan --range $net.0/24 --format kst)

# where: one fast scan under strace. The phases are cut at the first and the
# last packet sent (by the CLI or by its helper): start-up before, the wait for
# late answers and the output after; a call may carry several requests.
where() {
    local trace=$bench_dir/strace
    testnet_flush_neighbours
    # Only the calls that can carry a frame stop the process (--seccomp-bpf).
    testnet_scanner_exec strace -f --seccomp-bpf -ttt -e trace=execve,sendto,sendmsg,sendmmsg,write,exit_group \
        -o "$trace" "${cli[@]}" --pace-ms 0 >/dev/null 2>&1 || true
    echo
    echo "Where the time of one fast /24 scan goes (strace -f, which slows the calls it traces):"
    awk '
        NR == 1 { start = $2 }
        # An ARP request: hardware type 1, IPv4, lengths 6 and 4, opcode 1.
        index($0, "\\0\\1\\10\\0\\6\\4\\0\\1") && !/= -1/ { if (!first) first = $2; last = $2; sent++ }
        { end = $2 }
        END {
            if (!first) { print "  no packet sent"; exit }
            printf "  start-up to first packet  %7.3f s\n", first - start
            printf "  sending (%5d calls)     %7.3f s\n", sent, last - first
            printf "  last packet to exit       %7.3f s\n", end - last
            printf "  whole run                 %7.3f s\n", end - start
        }' "$trace"
    testnet_flush_neighbours
    testnet_scanner_exec strace -f -c -o "$bench_dir/summary" "${cli[@]}" --pace-ms 0 >/dev/null 2>&1 || true
    echo "  system calls by time spent (strace -c):"
    sed -n '3,10p' "$bench_dir/summary" | sed 's/^/    /'
    testnet_flush_neighbours
    for wait in 300 50; do
        testnet_flush_neighbours
        testnet_scanner_exec env NETKESTREL_TIMING=1 "${cli[@]}" --pace-ms 0 --arp-timeout-ms $wait \
            2>"$bench_dir/own" >/dev/null || true
        echo "  the CLI's own phase marks, ms since main (NETKESTREL_TIMING=1, --arp-timeout-ms $wait):"
        grep '^timing ' "$bench_dir/own" | sed 's/^timing /    /'
    done
}
if ((where_only)); then
    where
    exit 0
fi

# The helper's path: copies the user can read, only the helper setcap'ed.
testnet_user_copies "$bin" "$bench_dir/user"

echo "Tuning arp-scan on $net.0/24:" >&2
bench_tune_arp_scan $net.0/24
read -ra tuned <<<"$bench_tuned"
for ((round = 1; round <= runs; round++)); do
    bench_run arp-scan arp-scan --interface=eth0 --quiet $net.0/24
    bench_run arp-scan-tuned arp-scan --interface=eth0 --quiet "${tuned[@]}" $net.0/24
    bench_run netkestrel-default "${cli[@]}"
    bench_run netkestrel-fast "${cli[@]}" --pace-ms 0
    bench_run netkestrel-fast-50ms "${cli[@]}" --pace-ms 0 --arp-timeout-ms 50
    bench_run netkestrel-helper "${testnet_as_user[@]}" "$bench_dir/user/bin/netkestrel-cli" scan --range $net.0/24 \
        --format kst --pace-ms 0
    bench_run netkestrel-helper-50ms "${testnet_as_user[@]}" "$bench_dir/user/bin/netkestrel-cli" scan \
        --range $net.0/24 --format kst --pace-ms 0 --arp-timeout-ms 50
done

bench_table "$net.0/24, ${#live[@]} live hosts, $runs runs each; arp-scan tuned: $bench_tuned" arp-scan-tuned \
    arp-scan arp-scan-tuned netkestrel-default netkestrel-fast netkestrel-fast-50ms netkestrel-helper \
    netkestrel-helper-50ms
where
