# bench-lib.sh: timing whole scanner processes against their peers on a test
# network (source it after tests/net/testnet.sh and testnet_create).
#
#   bench_live IP...            the hosts a run must find (replaces the list)
#   bench_run TOOL CMD...       runs CMD in the scanner namespace once with an
#                               empty neighbour table; records wall time, hosts
#                               of the live list its output names, and its peak
#                               resident size (kB, from /usr/bin/time)
#   bench_tune_arp_scan RANGE   tries a small grid of arp-scan's speed options
#                               once each and sets bench_tuned to the fastest
#                               one that found every live host
#   bench_table TITLE BASE TOOL...
#                               one line per tool: run times, hosts found per
#                               run, median, ratio of medians to BASE's, peak RSS
#   bench_found TOOL            the fewest hosts TOOL found in a run
# Results go to $bench_dir (made here, removed by bench_cleanup).

bench_dir=$(mktemp -d)
chmod 755 "$bench_dir"
bench_hosts=()

bench_cleanup() {
    testnet_destroy
    rm -rf "$bench_dir"
}
trap bench_cleanup EXIT
trap 'bench_cleanup; exit 130' INT
trap 'bench_cleanup; exit 143' TERM

command -v /usr/bin/time >/dev/null || {
    echo "bench: /usr/bin/time missing (Debian package time, scripts/install-deps.sh)" >&2
    exit 77
}

bench_live() {
    bench_hosts=("$@")
}

# How many of the live hosts FILE names (an address followed by no further digit).
_bench_count() {
    local file=$1 count=0 ip
    for ip in "${bench_hosts[@]}"; do
        grep -qE "(^|[^0-9.])${ip//./\\.}([^0-9.]|$)" "$file" && count=$((count + 1))
    done
    echo "$count"
}

bench_run() {
    local tool=$1 start end found
    shift
    testnet_flush_neighbours
    start=$(date +%s.%N)
    testnet_scanner_exec /usr/bin/time -f %M -o "$bench_dir/rss" "$@" >"$bench_dir/out" 2>"$bench_dir/err" || true
    end=$(date +%s.%N)
    found=$(_bench_count "$bench_dir/out")
    printf '%s %.3f %d %d\n' "$tool" "$(echo "$end - $start" | bc -l)" "$found" \
        "$(tail -n1 "$bench_dir/rss")" >>"$bench_dir/results"
    # What a run that missed hosts said, to tell a slow answer from a fault.
    if ((found < ${#bench_hosts[@]})) && [ "$tool" != tuning ]; then
        echo "  $tool missed $((${#bench_hosts[@]} - found)) host(s); it said: $(grep -v '^Command exited' \
            "$bench_dir/err" | tail -n2 | tr '\n' ' ')" >&2
    fi
}

_bench_median() {
    awk -v t="$1" '$1==t{print $2}' "$bench_dir/results" | sort -n |
        awk '{v[NR]=$1} END{if (NR) print v[int((NR+1)/2)]; else print 0}'
}

bench_found() {
    awk -v t="$1" '$1==t{print $3}' "$bench_dir/results" | sort -n | head -n1
}

bench_tune_arp_scan() {
    local range=$1 options best="" best_time=999999 t
    for options in "-B 1M --timeout=50 --retry=1" "-B 10M --timeout=50 --retry=1" "-B 100M --timeout=50 --retry=1" \
        "-B 100M --timeout=100 --retry=1" "--interval=100u --timeout=50 --retry=1" "-B 100M --timeout=50 --retry=2"; do
        # A megabit per second takes 45 s over a /16: not worth a try there.
        [[ $range == */16 && $options == "-B 1M"* ]] && continue
        # shellcheck disable=SC2086 # the options are words
        bench_run tuning arp-scan --interface=eth0 --quiet $options "$range"
        read -r _ t found _ < <(tail -n1 "$bench_dir/results")
        echo "  arp-scan $options: $t s, $found/${#bench_hosts[@]} found" >&2
        if ((found == ${#bench_hosts[@]})) && (($(echo "$t < $best_time" | bc -l))); then
            best=$options best_time=$t
        fi
    done
    sed -i '/^tuning /d' "$bench_dir/results"
    bench_tuned=${best:--B 10M}
    [ -n "$best" ] || echo "  no setting found every host; timing -B 10M" >&2
    echo "  arp-scan tuned: $bench_tuned" >&2
}

bench_table() {
    local title=$1 base=$2 tool base_median median
    shift 2
    base_median=$(_bench_median "$base")
    echo
    echo "$title"
    printf '%-22s %-36s %-20s %8s %7s %12s\n' tool "run times (s)" "hosts found per run" median ratio "peak RSS"
    for tool in "$@"; do
        median=$(_bench_median "$tool")
        printf '%-22s %-36s %-20s %8.3f %7.2f %9d kB%s\n' "$tool" \
            "$(awk -v t="$tool" '$1==t{printf "%s ", $2}' "$bench_dir/results")" \
            "$(awk -v t="$tool" '$1==t{printf "%s ", $3}' "$bench_dir/results")" \
            "$median" "$(echo "$median / $base_median" | bc -l)" \
            "$(awk -v t="$tool" '$1==t && $4>m{m=$4} END{print m+0}' "$bench_dir/results")" \
            "$( (($(bench_found "$tool") < ${#bench_hosts[@]})) && echo "  MISSED HOSTS")"
    done
    echo "(of ${#bench_hosts[@]} live hosts; ratio: median / median of $base; peak RSS: the largest of the runs)"
}
