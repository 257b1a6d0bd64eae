#!/usr/bin/env bash
# Sites: two watchers, each in a test namespace of its own scanning a subnet of
# its own, write at once into one PostgreSQL server of the test's own (a Unix
# socket in a temporary folder, no TCP address), each with --site, while a
# third process edits the records in a loop. Afterwards the history and the
# change events hold both sites' hosts under the right site, the watchers
# reported no failure, and every edit landed.
set -euo pipefail
source "$NETKESTREL_SOURCE_DIR/tests/net/testnet.sh"
source "$NETKESTREL_SOURCE_DIR/tests/net/check.sh"
testnet_require_root

pgbin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
if [ -z "$pgbin" ] || [ ! -x "$pgbin/initdb" ]; then
    echo "no PostgreSQL server installed" >&2
    exit 77
fi
owner=postgres
id "$owner" >/dev/null 2>&1 || owner=nobody

cli="$NETKESTREL_BIN_DIR/netkestrel-cli"
work=$(mktemp -d /tmp/nk-sites-XXXXXX)
chown "$owner" "$work"
pg_pid=""
stop_server() {
    [ -n "$pg_pid" ] || return 0
    kill -INT "$pg_pid" 2>/dev/null || true
    for _ in $(seq 100); do
        kill -0 "$pg_pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$pg_pid" 2>/dev/null || true
    pg_pid=""
}
cleanup() {
    testnet_destroy
    stop_server
    rm -rf "$work"
}

runuser -u "$owner" -- "$pgbin/initdb" -D "$work/pg" -U kestrel_admin -A trust -E UTF8 --locale=C \
    --no-sync >"$work/initdb.log" 2>&1
cat >>"$work/pg/postgresql.conf" <<CONF
listen_addresses = ''
unix_socket_directories = '$work'
fsync = off
synchronous_commit = off
CONF
runuser -u "$owner" -- "$pgbin/pg_ctl" -D "$work/pg" -l "$work/pg.log" -w -t 60 start >/dev/null
pg_pid=$(head -1 "$work/pg/postmaster.pid")
trap cleanup EXIT
url="postgresql://kestrel_admin@/postgres?host=$work"
sql() {
    "$pgbin/psql" -h "$work" -U kestrel_admin -d postgres -AtX -F ' ' -c "$1"
}

# One switch; the scanner namespace is the north watcher's (198.18.124.0/24),
# a second namespace on the switch the south watcher's (198.18.125.0/24).
testnet_create 198.18.124.1/23
trap cleanup EXIT
testnet_add_host 198.18.125.1 00:0a:e4:7d:00:01
for site in 124 125; do
    hex=$(printf '%02x' $site)
    testnet_add_host 198.18.$site.10 00:0a:e4:$hex:00:0a
    testnet_add_host 198.18.$site.11 00:0a:e4:$hex:00:0b
done

mkdir "$work/north" "$work/south"
watch_args=(watch --pace-ms 0 --every 5 --format json --database "$url")
ip netns exec "$(testnet_scanner_ns)" "$cli" "${watch_args[@]}" --from 198.18.124.2 --to 198.18.124.20 --site north \
    --data-dir "$work/north" >"$work/north.json" 2>"$work/north.err" &
north=$!
testnet_track_pid $north
ip netns exec "$(testnet_host_ns 198.18.125.1)" "$cli" "${watch_args[@]}" --from 198.18.125.2 --to 198.18.125.20 \
    --site south --data-dir "$work/south" >"$work/south.json" 2>"$work/south.err" &
south=$!
testnet_track_pid $south

# The editor: adds records and changes each one while the watchers write.
edits=0
for n in $(seq 1 12); do
    mac=$(printf '00-0A-E4-7E-00-%02X' "$n")
    id=$("$cli" records add --ip 198.18.126.$n --mac "$mac" --host "EDIT$n" --database "$url" \
        --data-dir "$work/editor" 2>>"$work/editor.err") || continue
    "$cli" records modify "$id" --comments "edited $n" --database "$url" --data-dir "$work/editor" \
        >/dev/null 2>>"$work/editor.err" || continue
    edits=$((edits + 1))
done

# Each watcher's first step ends with its two new stations.
for _ in $(seq 600); do
    [ "$(grep -c '"new-station"' "$work/north.json")" -ge 2 ] &&
        [ "$(grep -c '"new-station"' "$work/south.json")" -ge 2 ] && break
    sleep 0.1
done
kill -TERM $north $south
status=0
wait $north || status=$?
wait $south || status=$((status + $?))

check "both watchers end with 0 on SIGTERM" 0 $status
# A saved modification says so on standard error; nothing else may be there.
check "every edit landed without an error" "12 " \
    "$edits $(grep -v 'Successfully saved' "$work/editor.err" || true)"
check "the records hold the edits" \
    "$(for n in $(seq 1 12); do echo "198.18.126.$n EDIT$n edited $n"; done | sort)" \
    "$(sql "SELECT IPAddress, HostName, Comments FROM T_Record ORDER BY IPAddress" | sort)"
check "the watchers said no failure" "" \
    "$(cat "$work/north.err" "$work/south.err" | grep -iv 'completed\|hosts\|scan' || true)"
check "the history holds each site's hosts under its site" \
    "north 198.18.124.10 00-0A-E4-7C-00-0A
north 198.18.124.11 00-0A-E4-7C-00-0B
south 198.18.125.10 00-0A-E4-7D-00-0A
south 198.18.125.11 00-0A-E4-7D-00-0B" \
    "$(sql "SELECT Site, IPAddress, MACAddress FROM T_History ORDER BY Site, IPAddress")"
check "the change events likewise" \
    "north new-station 198.18.124.10
north new-station 198.18.124.11
south new-station 198.18.125.10
south new-station 198.18.125.11" \
    "$(sql "SELECT Site, Kind, IPAddress FROM T_Change ORDER BY Site, IPAddress")"
for site in north south; do
    check "every JSON line of the $site watcher carries its site" "$site" \
        "$(/usr/bin/python3 -c 'import json, sys
print("\n".join(sorted({json.loads(line)["site"] for line in sys.stdin})))' <"$work/$site.json")"
done

check_summary
