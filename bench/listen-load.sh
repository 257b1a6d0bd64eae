#!/usr/bin/env bash
# Benchmark of listening under load: in a test network of its own, one host
# sends ARP announcements at RATE frames a second (10,000) for FLOOD_SECONDS (60),
# from FIXED senders (50) in turn and NEW percent (10) of them from senders
# never seen before. The listening process runs as an ordinary user whose
# only capability is that of netkestrel-arp; it and its helper are sampled
# from /proc every 5 s: CPU time (utime + stime) and RSS. Prints the share of
# one core they used together over the flood (goal: under 10%) and their
# first, peak and last RSS (goal: flat).
#   NETKESTREL_BIN_DIR=build/bin bench/listen-load.sh
# LISTEN_COMMAND is the process measured, its first word a program of the
# build folder, "IFNAME" replaced by the listening interface and "DATADIR" by
# a data folder of the run's own (default: netkestrel-cli watch --listen over
# the test network, a scan an hour; the test driver listen_probe measures the
# listener alone). Root; everything runs in the test's own namespaces.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export NETKESTREL_SOURCE_DIR=${NETKESTREL_SOURCE_DIR:-$here}
source "$here/tests/net/testnet.sh"
testnet_require_root
bin=${NETKESTREL_BIN_DIR:-$here/build/bin}
[ -d "$bin" ] && bin=$(cd "$bin" && pwd) # the scripts change folder
rate=${RATE:-10000} seconds=${FLOOD_SECONDS:-60} fixed=${FIXED:-50} new=${NEW:-10}
net=198.18.14
command=${LISTEN_COMMAND:-"netkestrel-cli watch --listen --range $net.0/24 --pace-ms 0 --every 60 --format json --data-dir DATADIR"}
program=${command%% *}
for file in netkestrel-arp "$program"; do
    [ -x "$bin/$file" ] || { echo "listen-load: $bin/$file not built" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'testnet_destroy; rm -rf "$work"' EXIT INT TERM

testnet_create $net.1/24
testnet_add_host $net.2 02:0a:e4:00:0e:02
chmod 755 "$work" && testnet_user_copies "$bin" "$work/user"
cp "$bin/$program" "$work/user/bin/" 2>/dev/null || true
mkdir -m 777 "$work/data"
command=${command//DATADIR/$work/data}
read -ra words <<<"${command//IFNAME/eth0}"
ip netns exec "$(testnet_scanner_ns)" "${testnet_as_user[@]}" "$work/user/bin/${words[0]}" "${words[@]:1}" \
    >"$work/out" 2>&1 &
listener=$!
testnet_track_pid $listener
helper=""
sleep 2 # a first scan's own helper has ended by then: the one left listens
for _ in $(seq 100); do
    helper=$(pgrep -n -P $listener -x netkestrel-arp || true)
    [ -n "$helper" ] && break
    sleep 0.1
done
[ -n "$helper" ] || { echo "listen-load: no netkestrel-arp under the listener:" >&2; cat "$work/out" >&2; exit 1; }
sleep 1

ticks=$(getconf CLK_TCK)
cpu() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }           # clock ticks
rss() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }      # KiB
echo "flood: $rate frames/s for $seconds s, $fixed fixed senders, $new% new ones; listener: ${words[*]}"
printf '%6s %10s %14s %12s\n' time "cpu %" "listener KiB" "helper KiB"
testnet_host_exec $net.2 /usr/bin/python3 "$here/bench/listen_flood.py" $net "$rate" "$seconds" "$fixed" \
    "$new" >"$work/sent" &
sender=$!
testnet_track_pid $sender
start_cpu=$(($(cpu $listener) + $(cpu $helper)))
last_cpu=$start_cpu first_rss="" peak_rss=0 start=$SECONDS
for ((t = 5; t <= seconds; t += 5)); do
    ((start + t > SECONDS)) && sleep $((start + t - SECONDS))
    kill -0 $listener 2>/dev/null && kill -0 $helper 2>/dev/null ||
        { echo "listen-load: the listener ended:" >&2; tail -3 "$work/out" >&2; exit 1; }
    now_cpu=$(($(cpu $listener) + $(cpu $helper)))
    l_rss=$(rss $listener) h_rss=$(rss $helper)
    total=$((l_rss + h_rss))
    first_rss=${first_rss:-$total}
    ((total > peak_rss)) && peak_rss=$total
    printf '%5ss %10s %14s %12s\n' $t "$(awk -v c=$((now_cpu - last_cpu)) -v k="$ticks" 'BEGIN { printf "%.1f", 100 * c / k / 5 }')" \
        "$l_rss" "$h_rss"
    last_cpu=$now_cpu
done
wait $sender || true
cat "$work/sent"
used=$((last_cpu - start_cpu))
share=$(awk -v c=$used -v k="$ticks" -v s="$seconds" 'BEGIN { printf "%.1f", 100 * c / k / s }')
lines=$(grep -cv '^listening$' "$work/out" || true)
echo "lines out of the listener: $lines"
echo "cpu: $share% of one core (goal: under 10%)  $(awk -v s="$share" 'BEGIN { print (s < 10 ? "met" : "MISSED") }')"
echo "rss (listener + helper, KiB): first $first_rss, peak $peak_rss, last $total (goal: flat)  $(
    ((peak_rss - first_rss <= 1024)) && echo met || echo MISSED)"
