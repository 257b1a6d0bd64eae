#!/usr/bin/env bash
# Benchmark of the UDP scan: a /24 test network with 8 hosts running Samba's
# nmbd; netkestrel-cli in the default and in the fast pacing against nbtscan's
# default scan of the same network, three runs each, in the same run. Prints
# wall time, hosts found, names (and workgroups) right, and the ratios of the
# medians to nbtscan's. Root; everything runs in the test's own namespaces.
#   NETKESTREL_BIN_DIR=build/bin bench/nbt-scan.sh
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/tests/net/testnet.sh"
testnet_require_root
command -v nbtscan >/dev/null || { echo "nbt-scan: nbtscan missing (scripts/install-deps.sh)" >&2; exit 77; }
cli=${NETKESTREL_BIN_DIR:-$here/build/bin}/netkestrel-cli
cli=$(realpath -m "$cli") # the script changes folder
[ -x "$cli" ] || { echo "nbt-scan: $cli not built" >&2; exit 1; }
runs=${RUNS:-3}
work=$(mktemp -d)
trap 'testnet_destroy; rm -rf "$work"' EXIT INT TERM

testnet_create 198.18.8.1/24
declare -A name group
for n in 10 23 37 54 88 121 170 240; do
    ip=198.18.8.$n dir=$work/h$n
    name[$ip]=HOST$n group[$ip]=GROUP$((n % 3))
    testnet_add_host "$ip" "$(printf '02:0a:e4:00:08:%02x' $n)"
    testnet_start_nmbd "$ip" "${name[$ip]}" "${group[$ip]}" "$dir"
done
for ip in "${!name[@]}"; do
    for _ in $(seq 60); do
        testnet_scanner_exec timeout 5 nmblookup -A "$ip" 2>/dev/null | grep -q '<GROUP>' && break
        sleep 0.5
    done
done

now() { date +%s.%N; }
# Each tool's output to "IP NAME [GROUP]" lines.
ours() { testnet_scanner_exec "$cli" scan --method udp --from 198.18.8.0 --to 198.18.8.255 --pace-ms "$1" \
    --format kst 2>/dev/null | tr -d '\r' | awk -F'","' '{print $2, $4, $5}'; }
theirs() { testnet_scanner_exec nbtscan 198.18.8.0/24 2>/dev/null | awk '$1 ~ /^198\.18\.8\./ {print $1, $2}'; }
score() { # lines -> "found right"
    local found=0 right=0 ip n g
    while read -r ip n g; do
        [ -n "${name[$ip]:-}" ] || continue
        found=$((found + 1))
        [ "$n" = "${name[$ip]}" ] || continue
        [ "$1" = names ] || [ "$g" = "${group[$ip]}" ] || continue
        right=$((right + 1))
    done
    echo "$found $right"
}

declare -A times
printf '%-22s %4s %9s %6s %12s\n' tool run "time (s)" found "names right"
for run in $(seq "$runs"); do
    for tool in nbtscan default fast; do
        testnet_flush_neighbours
        start=$(now)
        case $tool in
        nbtscan) out=$(theirs); mode=names ;;
        default) out=$(ours 15); mode=groups ;;
        fast) out=$(ours 0); mode=groups ;;
        esac
        end=$(now)
        t=$(echo "$end - $start" | bc -l)
        read -r found right < <(score $mode <<<"$out")
        times[$tool]="${times[$tool]:-} $t"
        printf '%-22s %4d %9.3f %3d/%d %9d/%d\n' "$tool" "$run" "$t" "$found" 8 "$right" 8
    done
done
echo
median() { tr ' ' '\n' <<<"${times[$1]}" | grep . | sort -n | awk '{v[NR]=$1} END{print v[int((NR+1)/2)]}'; }
for tool in nbtscan default fast; do
    printf '%-22s median %7.3f s   ratio to nbtscan %6.3f\n' "$tool" "$(median $tool)" \
        "$(echo "$(median $tool) / $(median nbtscan)" | bc -l)"
done
echo "(names right: nbtscan is judged on the host name only; netkestrel-cli on name and workgroup)"
