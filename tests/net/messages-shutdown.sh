#!/usr/bin/env bash
# Messages and remote shutdown requests of netkestrel-cli received by Samba's
# smbd on a host of a test network: the message command and the shutdown and
# abort scripts record what arrived. A wrong password, a closed port, a
# malformed name and a request with and without SeRemoteShutdownPrivilege
# (the script then runs as root or as the caller).
set -euo pipefail
source "$NETKESTREL_SOURCE_DIR/tests/net/testnet.sh"
source "$NETKESTREL_SOURCE_DIR/tests/net/check.sh"
testnet_require_root
for tool in smbd smbclient net smbpasswd; do
    if ! command -v $tool >/dev/null; then
        echo "skipped: $tool is not installed (scripts/install-deps.sh installs it)" >&2
        exit 77
    fi
done
# The peer's account: an existing system user with no login of its own.
account=daemon
id -u $account >/dev/null 2>&1 || { echo "skipped: no user $account" >&2; exit 77; }

cli="$NETKESTREL_BIN_DIR/netkestrel-cli"
net=198.18.22
work=$(mktemp -d)
chmod 755 "$work"

testnet_create $net.1/24
trap 'testnet_destroy; rm -rf "$work"' EXIT
testnet_add_host $net.10 02:0a:e4:00:16:0a
testnet_add_host $net.11 02:0a:e4:00:16:0b # no smbd: its ports are closed

peer="$work/peer"
mkdir -p "$peer"/{lock,state,cache,private,pid,log,ncalrpc,out}
# The scripts run as the caller unless it holds the privilege.
chmod 1777 "$peer/out"
cat >"$peer/smb.conf" <<CONF
[global]
netbios name = PEER22
workgroup = LABTWO
interfaces = eth0
bind interfaces only = yes
server role = standalone server
server min protocol = NT1
lock directory = $peer/lock
state directory = $peer/state
cache directory = $peer/cache
private dir = $peer/private
pid directory = $peer/pid
ncalrpc dir = $peer/ncalrpc
passdb backend = tdbsam:$peer/private/passdb.tdb
log file = $peer/log/smbd.log
load printers = no
disable spoolss = yes
message command = /bin/sh -c '/bin/cat %s >> $peer/out/messages; /bin/rm -f %s' &
shutdown script = /bin/sh -c 'echo "shutdown|\$(id -u)|%z|%r|%f" >> $peer/out/requests'
abort shutdown script = /bin/sh -c 'echo "abort|\$(id -u)" >> $peer/out/requests'
CONF
printf 'secret one\nsecret one\n' | smbpasswd -c "$peer/smb.conf" -s -a $account >/dev/null
# ip netns exec execs smbd: $! is smbd's own PID. smbd ends its whole process
# group when it stops, so it gets a group of its own (no --no-process-group).
ip netns exec "$(testnet_host_ns $net.10)" smbd -F -s "$peer/smb.conf" -l "$peer/log" \
    </dev/null >"$peer/out.log" 2>&1 &
testnet_track_pid $!
for ((i = 0; i < 500; i++)); do
    testnet_scanner_exec bash -c "exec 3<>/dev/tcp/$net.10/139" 2>/dev/null && break
    sleep 0.02
done

# netkestrel-cli in the scanner namespace with a settings store of its own.
run_cli() {
    status=0
    out=$(testnet_scanner_exec env XDG_CONFIG_HOME="$work/config" "$@" 2>"$work/stderr") || status=$?
}
# Waits (up to 3 s) until FILE has N lines; prints them.
lines_of() {
    local file=$1 n=$2 tries
    for ((tries = 0; tries < 300; tries++)); do
        [ -e "$file" ] && [ "$(wc -l <"$file")" -ge "$n" ] && break
        sleep 0.01
    done
    cat "$file" 2>/dev/null || true
}

run_cli "$cli" message $net.10 "Lunch is ready"
check "message: wording" "The message was successfully sent" "$out"
check "message: exit status" 0 "$status"
check "message arrived" "Lunch is ready" "$(lines_of "$peer/out/messages" 1)"

run_cli "$cli" message $net.11 "nobody listens"
check "message to a closed port" "General network error occurred|1" "$out|$status"

run_cli "$cli" message 'BAD*NAME' "never sent"
check "malformed name, nothing sent" "Illegal character or malformed name.|1" "$out|$status"

run_cli "$cli" shutdown $net.10 --delay 7 --message "bye now" --force --reboot -U "$account%secret one"
check "shutdown: wording" "Successfully sent a shutdown request to  '$net.10'.  
The computer will shutdown in 7 seconds.  " "$out"
check "shutdown: exit status" 0 "$status"
# smbd turns the message's blanks into underscores; no privilege: runs as the caller.
check "shutdown arrived as the caller" "shutdown|$(id -u $account)|bye_now|-r|-f" \
    "$(lines_of "$peer/out/requests" 1)"

run_cli "$cli" shutdown $net.10 --abort -U "$account%secret one"
check "abort: wording" "Successfully aborted the shutdown of  '$net.10'.  " "$out"
check "abort arrived" "abort|$(id -u $account)" "$(lines_of "$peer/out/requests" 2 | sed -n 2p)"

run_cli "$cli" shutdown $net.10 -U "$account%wrong"
check "wrong password: exit status" 1 "$status"
check "wrong password: first line" "Unable to shutdown  '$net.10'.  Reasons may include:  " "$(sed -n 1p <<<"$out")"
check "wrong password: net's reason" "netkestrel-cli shutdown: net says NT_STATUS_LOGON_FAILURE" "$(cat "$work/stderr")"

run_cli "$cli" shutdown $net.11 --abort -U "$account%secret one"
check "abort at a closed port" "Unable to abort the shutdown of  '$net.11'.  Reasons may include:  |1" \
    "$(sed -n 1p <<<"$out")|$status"

net -s "$peer/smb.conf" sam rights grant $account SeRemoteShutdownPrivilege >/dev/null
# The password from the environment, off the command line; a delay of 0.
status=0
out=$(testnet_scanner_exec env XDG_CONFIG_HOME="$work/config" PASSWD="secret one" \
    "$cli" shutdown "$net.10" --delay 0 -U $account 2>"$work/stderr") || status=$?
check "delay 0: wording" "Successfully sent a shutdown request to  '$net.10'.  
The computer will shutdown in 0 seconds.  
(A delay of 0 is sent as 1 second, the shortest delay Samba's net can ask for.)|0" "$out|$status"
# Without a message net sends one of its own.
check "with the privilege the script runs as root" "shutdown|0|This_machine_will_be_shutdown_shortly||" "$(lines_of "$peer/out/requests" 3 | sed -n 3p)"
check "nothing else arrived" 3 "$(wc -l <"$peer/out/requests")"

check_summary
