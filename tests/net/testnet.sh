# testnet.sh: a private test network of network namespaces, for bash test
# scripts (source it; it only defines functions and TESTNET_* variables).
#
# Layout, all in namespaces of this run (nothing is added to the machine's own
# network namespace, so runs can go in parallel):
#
#   scanner ns            switch ns                 host ns (one per host)
#   eth0 SCANNER_CIDR --- s0 ┐
#                            br0 (bridge, no STP)
#                         hN ┘ ------------------- eth0 IP/len, MAC
#
# Namespace names are nk-<run>-scan, nk-<run>-sw and nk-<run>-h<N>, <run> being
# a per-run suffix made from $$ and $RANDOM. Interface names live inside the
# namespaces and are fixed and short (eth0, s0, hN, br0). IPv6 is disabled in
# every namespace, so nothing but the test's own IPv4 traffic runs. Addresses
# must lie in 198.18.0.0/15, the benchmarking range.
#
# Functions (each returns non-zero with a message on stderr when it fails):
#   testnet_require_root
#       Exits 77 (CTest's skip code) with a reason on stderr unless the script
#       runs as root and can create a network namespace.
#   testnet_create SCANNER_CIDR [SCANNER_MAC]
#       Builds the switch and the scanner, e.g. testnet_create 198.18.7.1/24.
#       Installs traps on EXIT, INT and TERM that call testnet_destroy (a script
#       with its own EXIT trap must call testnet_destroy from it).
#   testnet_add_host IP MAC [again]
#       A new host namespace on the switch with that address (the scanner's
#       prefix length) and MAC (colons or hyphens, any case). Prints nothing;
#       returns once the host's link and its switch port forward traffic.
#       "again": a further host with the address of an existing one (an
#       address conflict); the IP keeps naming the first in the calls below.
#   testnet_host_ns IP          echoes the namespace name of that host
#   testnet_scanner_ns          echoes the namespace name of the scanner
#   testnet_scanner_mac         echoes the scanner's MAC (lower case, colons)
#   testnet_scanner_exec CMD... runs CMD in the scanner namespace
#   testnet_host_exec IP CMD... runs CMD in that host's namespace
#   testnet_flush_neighbours    empties the scanner's ARP cache (reachability
#                               checks never fill it, but scans do)
#   testnet_track_pid PID       testnet_destroy will end that process and its
#                               descendants
#   testnet_destroy             ends the tracked processes (TERM, then KILL
#                               after 2 s), deletes every namespace of this run;
#                               safe to call twice. A daemon's output should go
#                               to a file: one left holding CTest's stdout pipe
#                               keeps the test running.
#
# Example:
#   source "$NETKESTREL_SOURCE_DIR/tests/net/testnet.sh"
#   testnet_require_root
#   testnet_create 198.18.7.1/24
#   testnet_add_host 198.18.7.10 00:0a:e4:20:53:55
#   testnet_start_nmbd 198.18.7.10 ALPHA10 LABONE "$workdir/alpha10"
#   testnet_scanner_exec netkestrel-cli scan ...

TESTNET_RUN=""
TESTNET_SWITCH_NS=""
TESTNET_SCANNER_NS=""
TESTNET_SCANNER_IP=""
TESTNET_PREFIX_LENGTH=""
TESTNET_NAMESPACES=()
TESTNET_PIDS=()
declare -gA TESTNET_HOST_NS=()
TESTNET_HOST_COUNT=0

_testnet_fail() {
    echo "testnet: $*" >&2
    return 1
}

# Dotted quad to a number; fails for anything else.
_testnet_ip_number() {
    local ip=$1 a b c d
    [[ $ip =~ ^([0-9]{1,3})\.([0-9]{1,3})\.([0-9]{1,3})\.([0-9]{1,3})$ ]] || return 1
    a=${BASH_REMATCH[1]} b=${BASH_REMATCH[2]} c=${BASH_REMATCH[3]} d=${BASH_REMATCH[4]}
    ((10#$a <= 255 && 10#$b <= 255 && 10#$c <= 255 && 10#$d <= 255)) || return 1
    echo $(((10#$a << 24) | (10#$b << 16) | (10#$c << 8) | 10#$d))
}

# True when IP lies in NETWORK/LENGTH.
_testnet_in_network() {
    local ip network length mask
    ip=$(_testnet_ip_number "$1") || return 1
    network=$(_testnet_ip_number "$2") || return 1
    length=$3
    mask=$(((0xFFFFFFFF << (32 - length)) & 0xFFFFFFFF))
    (((ip & mask) == (network & mask)))
}

_testnet_require_test_range() {
    _testnet_in_network "$1" 198.18.0.0 15 ||
        _testnet_fail "refusing $1: test addresses must lie in 198.18.0.0/15"
}

# "00-0A-E4-20-53-55" or "00:0a:e4:20:53:55" -> "00:0a:e4:20:53:55".
_testnet_mac() {
    local mac=${1//-/:}
    mac=${mac,,}
    [[ $mac =~ ^[0-9a-f]{2}(:[0-9a-f]{2}){5}$ ]] || {
        _testnet_fail "not a MAC address: $1"
        return 1
    }
    echo "$mac"
}

# A namespace of this run with lo up and IPv6 off, remembered for destroy.
_testnet_add_namespace() {
    local ns=$1
    ip netns add "$ns" || _testnet_fail "cannot create namespace $ns" || return 1
    TESTNET_NAMESPACES+=("$ns")
    ip netns exec "$ns" sysctl -q -w net.ipv6.conf.all.disable_ipv6=1 \
        net.ipv6.conf.default.disable_ipv6=1 >/dev/null || return 1
    ip -n "$ns" link set lo up
}

# Waits (up to 3 s) until IFACE in NS is up with carrier and, when PORT is
# given, the switch port PORT forwards.
_testnet_wait_link() {
    local ns=$1 iface=$2 port=${3:-} tries
    for ((tries = 0; tries < 300; tries++)); do
        if ip -n "$ns" -o link show dev "$iface" 2>/dev/null | grep -q 'state UP' &&
            { [ -z "$port" ] || bridge -n "$TESTNET_SWITCH_NS" link show dev "$port" 2>/dev/null |
                grep -q 'state forwarding'; }; then
            return 0
        fi
        sleep 0.01
    done
    _testnet_fail "link $iface in $ns did not come up"
}

testnet_require_root() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "testnet: skipped: network namespace tests need root" >&2
        exit 77
    fi
    local probe="nk-probe-$$-$RANDOM"
    if ! ip netns add "$probe" 2>/dev/null; then
        echo "testnet: skipped: 'ip netns add' does not work here" >&2
        exit 77
    fi
    ip netns del "$probe"
}

testnet_create() {
    local cidr=$1 mac=${2:-}
    [ -z "$TESTNET_RUN" ] || _testnet_fail "testnet_create called twice" || return 1
    [[ $cidr =~ ^([0-9.]+)/([0-9]+)$ ]] || _testnet_fail "not an address/length: $cidr" || return 1
    local ip=${BASH_REMATCH[1]} length=${BASH_REMATCH[2]}
    ((length >= 15 && length <= 30)) || _testnet_fail "prefix length $length outside 15..30" || return 1
    _testnet_require_test_range "$ip" || return 1
    if [ -n "$mac" ]; then
        mac=$(_testnet_mac "$mac") || return 1
    fi

    TESTNET_RUN=$(printf '%x%x' "$$" "$RANDOM")
    TESTNET_SWITCH_NS="nk-$TESTNET_RUN-sw"
    TESTNET_SCANNER_NS="nk-$TESTNET_RUN-scan"
    TESTNET_SCANNER_IP=$ip
    TESTNET_PREFIX_LENGTH=$length
    trap testnet_destroy EXIT
    trap 'testnet_destroy; exit 130' INT
    trap 'testnet_destroy; exit 143' TERM

    _testnet_add_namespace "$TESTNET_SWITCH_NS" || return 1
    _testnet_add_namespace "$TESTNET_SCANNER_NS" || return 1
    ip -n "$TESTNET_SWITCH_NS" -b - <<EOF || _testnet_fail "cannot build the switch" || return 1
link add br0 type bridge stp_state 0 forward_delay 0 mcast_snooping 0
link set br0 up
link add s0 type veth peer name eth0 netns $TESTNET_SCANNER_NS ${mac:+address $mac}
link set s0 master br0 up
EOF
    ip -n "$TESTNET_SCANNER_NS" -b - <<EOF || _testnet_fail "cannot configure the scanner" || return 1
addr add $ip/$length dev eth0
link set eth0 up
EOF
    _testnet_wait_link "$TESTNET_SCANNER_NS" eth0 s0
}

testnet_add_host() {
    local ip=$1 mac
    [ -n "$TESTNET_RUN" ] || _testnet_fail "testnet_create first" || return 1
    mac=$(_testnet_mac "$2") || return 1
    _testnet_require_test_range "$ip" || return 1
    _testnet_in_network "$ip" "$TESTNET_SCANNER_IP" "$TESTNET_PREFIX_LENGTH" ||
        _testnet_fail "$ip is not on the scanner's network $TESTNET_SCANNER_IP/$TESTNET_PREFIX_LENGTH" ||
        return 1
    [ -z "${TESTNET_HOST_NS[$ip]:-}" ] || [ "${3:-}" == again ] || _testnet_fail "host $ip exists already" ||
        return 1

    TESTNET_HOST_COUNT=$((TESTNET_HOST_COUNT + 1))
    local port="h$TESTNET_HOST_COUNT" ns="nk-$TESTNET_RUN-h$TESTNET_HOST_COUNT"
    _testnet_add_namespace "$ns" || return 1
    TESTNET_HOST_NS[$ip]=${TESTNET_HOST_NS[$ip]:-$ns}
    ip -n "$TESTNET_SWITCH_NS" -b - <<EOF || _testnet_fail "cannot attach host $ip" || return 1
link add $port type veth peer name eth0 netns $ns address $mac
link set $port master br0 up
EOF
    ip -n "$ns" -b - <<EOF || _testnet_fail "cannot configure host $ip" || return 1
addr add $ip/$TESTNET_PREFIX_LENGTH dev eth0
link set eth0 up
EOF
    _testnet_wait_link "$ns" eth0 "$port"
}

testnet_host_ns() {
    local ns=${TESTNET_HOST_NS[$1]:-}
    [ -n "$ns" ] || _testnet_fail "no host $1" || return 1
    echo "$ns"
}

testnet_scanner_ns() {
    echo "$TESTNET_SCANNER_NS"
}

testnet_scanner_mac() {
    ip -n "$TESTNET_SCANNER_NS" -o link show dev eth0 | sed -n 's/.*link\/ether \([0-9a-f:]*\) .*/\1/p'
}

testnet_scanner_exec() {
    ip netns exec "$TESTNET_SCANNER_NS" "$@"
}

testnet_host_exec() {
    local ns
    ns=$(testnet_host_ns "$1") || return 1
    shift
    ip netns exec "$ns" "$@"
}

testnet_flush_neighbours() {
    ip -n "$TESTNET_SCANNER_NS" neigh flush dev eth0
}

testnet_track_pid() {
    TESTNET_PIDS+=("$1")
}

testnet_start_nmbd() { # IP NETBIOS_NAME WORKGROUP DIR
    local ip=$1 name=$2 group=$3 dir=$4 ns
    ns=$(testnet_host_ns "$ip") || return 1
    mkdir -p "$dir"/{lock,state,cache,private,pid,log,ncalrpc,socket}
    cat >"$dir/smb.conf" <<CONF
[global]
netbios name = $name
workgroup = $group
interfaces = eth0
bind interfaces only = yes
server role = standalone server
lock directory = $dir/lock
state directory = $dir/state
cache directory = $dir/cache
private dir = $dir/private
pid directory = $dir/pid
ncalrpc dir = $dir/ncalrpc
# Its own socket for unexpected packets: the default, under /run/samba, is
# shared by every nmbd of the machine, and a second one fails to start.
nmbd:socket dir = $dir/socket
log file = $dir/log/nmbd.log
CONF
    # ip netns exec execs nmbd: $! is nmbd's own PID.
    ip netns exec "$ns" nmbd -F --no-process-group -s "$dir/smb.conf" -l "$dir/log" </dev/null >"$dir/out" 2>&1 &
    testnet_track_pid $!
}

# PID and all its descendants, children first (a daemon started as
# "testnet_host_exec IP daemon &" runs as a child of the backgrounded shell).
_testnet_process_tree() {
    local child
    for child in $(pgrep -P "$1" 2>/dev/null || true); do
        _testnet_process_tree "$child"
    done
    echo "$1"
}

testnet_destroy() {
    # Runs from traps, perhaps under set -e: nothing here may stop it half-way.
    local pid ns tries doomed=()
    for pid in "${TESTNET_PIDS[@]}"; do
        doomed+=($(_testnet_process_tree "$pid"))
    done
    for pid in "${doomed[@]}"; do
        kill -TERM "$pid" 2>/dev/null || true
    done
    for pid in "${doomed[@]}"; do
        for ((tries = 0; tries < 200; tries++)); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.01
        done
        kill -KILL "$pid" 2>/dev/null || true
    done
    for pid in "${TESTNET_PIDS[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    TESTNET_PIDS=()
    for ns in "${TESTNET_NAMESPACES[@]}"; do
        ip netns del "$ns" 2>/dev/null || true
    done
    TESTNET_NAMESPACES=()
    return 0
}

# testnet_user_copies BIN_DIR DIR: copies of what an ordinary user's scan runs
# in DIR/bin (the build folder may not be readable by that user), with only
# the ARP helper given its capability, and a home in DIR/home. Sets
# testnet_as_user to the command prefix that runs as that user.
testnet_user_copies() {
    local bin=$1 dir=$2 file
    mkdir -p "$dir/bin" "$dir/home"
    for file in netkestrel-cli libmac.so netkestrel-arp wkcj.dll wkcj-blocks.txt; do
        cp "$bin/$file" "$dir/bin/"
    done
    chmod -R a+rX "$dir" && chown 65534:65534 "$dir/home"
    setcap cap_net_raw+p "$dir/bin/netkestrel-arp"
    testnet_as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups --
        env HOME="$dir/home" XDG_DATA_HOME="$dir/home" XDG_CONFIG_HOME="$dir/home")
}
