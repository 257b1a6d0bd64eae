#!/bin/bash
# The Debian packages as an administrator meets them: built by
# scripts/package.sh, checked by lintian, installed with apt, the installed
# layout checked (the ARP helper the only file with a capability), an upgrade
# over programs that held one, netkestrel-cli run as an ordinary user in a
# test network of its own (an ARP scan must find every host through the raw
# path, which only the helper's file capability allows), code slipped into
# the programs through the environment (Qt's plugin folders,
# NETKESTREL_MAC_LIBRARY) shown to run without a capability, the watch unit's
# command line run as the unit runs it (its user, its environment, only
# CAP_NET_RAW, ambient, no new privileges, its /proc and its system-call
# filter), and then purged, with nothing left behind.
# Whatever happens, the packages, the ordinary user and the test network are
# gone when it ends. Root; changes the machine while it runs, so it is a CI
# stage and not a test of the suite.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tests/net/testnet.sh
testnet_require_root

ci_user=netkestrel-ci
net=198.18.120
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
helper=/usr/libexec/netkestrel/netkestrel-arp
work=$(mktemp -d)
failures=0
user_made=0

remove_packages() {
    if dpkg-query -W -f='${Status}\n' netkestrel netkestrel-cli 2>/dev/null | grep -q 'installed\|config-files'; then
        DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq netkestrel netkestrel-cli >/dev/null 2>&1 ||
            dpkg --purge netkestrel netkestrel-cli >/dev/null 2>&1 || true
    fi
}
cleanup() {
    testnet_destroy
    remove_packages
    rm -f /etc/netkestrel/watch-ci.conf
    rmdir /etc/netkestrel 2>/dev/null || true
    if [ "$user_made" = 1 ]; then userdel "$ci_user" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

check() { # check WHAT COMMAND...: runs the command; a failure is counted and told
    local what=$1
    shift
    if "$@" >"$work/check.out" 2>&1; then
        echo "ok: $what"
    else
        echo "FAILED: $what"
        sed 's/^/    /' "$work/check.out"
        failures=$((failures + 1))
    fi
}

# An earlier run that was killed may have left the packages behind.
remove_packages

deb=$(bash scripts/package.sh 2>"$work/package.log" | tail -n 1) || { tail -n 80 "$work/package.log"; exit 1; }
cli_deb=$(dirname "$deb")/$(basename "$deb" | sed 's/^netkestrel_/netkestrel-cli_/')
echo "packages: $deb $cli_deb"

echo "-- lintian"
lintian --fail-on error --suppress-tags-from-file /dev/null "$deb" "$cli_deb" | tee "$work/lintian" || true
check "lintian reports no errors" bash -c "! grep -q '^E: ' '$work/lintian'"
check "the command line package needs no display library" \
    bash -c "! dpkg-deb -f '$cli_deb' Depends | grep -E 'libqt6(gui|widgets)|libx11|libxcb|libgl|libegl|libwayland'"

echo "-- install"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$cli_deb" "$deb" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; exit 1; }
dpkg -L netkestrel netkestrel-cli | sort -u >"$work/installed"

echo "-- installed layout"
for path in /usr/bin/netkestrel /usr/bin/netkestrel-cli /usr/lib/$multiarch/netkestrel/libmac.so \
    /usr/lib/$multiarch/netkestrel/netkestrel-xls-reader $helper \
    /usr/share/netkestrel/wkcj.dll /usr/share/netkestrel/wkcj-blocks.txt /usr/share/netkestrel/help/index.html \
    /usr/share/netkestrel/watch-example.conf /usr/share/applications/org.netkestrel.Netkestrel.desktop \
    /usr/share/metainfo/org.netkestrel.Netkestrel.metainfo.xml /usr/share/icons/hicolor/scalable/apps/netkestrel.svg \
    /usr/share/icons/hicolor/48x48/apps/netkestrel.png /usr/share/man/man1/netkestrel.1.gz \
    /usr/share/man/man1/netkestrel-cli.1.gz /lib/systemd/system/netkestrel-watch@.service; do
    check "installed: $path" grep -qx "$path" "$work/installed"
done
check "libmac.so is not on the system's library path" bash -c "! ldconfig -p | grep -q 'libmac\.so'"
check "netkestrel-cli links no display library" bash -c "! ldd /usr/bin/netkestrel-cli | grep -E 'libQt6(Gui|Widgets)'"
# Every installed file, not only the programs: the helper alone holds a
# capability, and only as permitted (it raises it for its socket alone).
while read -r path; do
    [ -f "$path" ] && [ ! -L "$path" ] && printf '%s\0' "$path"
done <"$work/installed" | xargs -0 getcap >"$work/capabilities" 2>&1 || true
check "only $helper holds a capability, cap_net_raw=p (getcap over every installed file)" \
    bash -c "cat '$work/capabilities'; [ \"\$(cat '$work/capabilities')\" = '$helper cap_net_raw=p' ]"
check "the helper links no Qt library" bash -c "ldd $helper && ! ldd $helper | grep libQt"
check "desktop entry is valid" desktop-file-validate /usr/share/applications/org.netkestrel.Netkestrel.desktop
check "metainfo is valid" appstreamcli validate --no-net /usr/share/metainfo/org.netkestrel.Netkestrel.metainfo.xml
check "man finds netkestrel-cli(1)" man -w netkestrel-cli
check "man finds netkestrel(1)" man -w netkestrel
cp /lib/systemd/system/netkestrel-watch@.service "$work/netkestrel-watch@ci.service"
check "systemd-analyze verify of the watch unit" systemd-analyze verify "$work/netkestrel-watch@ci.service"
systemd-analyze security --offline=true "$work/netkestrel-watch@ci.service" 2>&1 | grep 'Overall exposure' || true
check "the service user exists" getent passwd netkestrel
# Only the .xls reader's own output names FreeXL's error: the program found it.
check "netkestrel-cli reads .xls through its installed reader" bash -c \
    "/usr/bin/netkestrel-cli records import tests/sheets/damaged/xls-truncated.xls --match ip \
     --on-duplicate skip --data-dir '$work/xls-data' 2>&1 | grep -q 'The file is damaged'"

echo "-- an upgrade over programs that held the capability"
# What the older packages' maintainer scripts gave; dpkg replaces the files,
# and the new ones carry nothing.
for program in /usr/bin/netkestrel /usr/bin/netkestrel-cli; do setcap cap_net_raw+ep "$program"; done
dpkg -i "$cli_deb" "$deb" >"$work/upgrade.log" 2>&1 || { cat "$work/upgrade.log"; exit 1; }
check "after the upgrade the programs hold no capability" \
    bash -c "! getcap /usr/bin/netkestrel /usr/bin/netkestrel-cli | grep ."
check "after the upgrade the helper holds cap_net_raw=p" bash -c "getcap $helper | grep -q 'cap_net_raw=p\$'"

echo "-- an ordinary user scans a test network"
if ! getent passwd "$ci_user" >/dev/null; then
    useradd --no-create-home --shell /usr/sbin/nologin "$ci_user"
    user_made=1
fi
testnet_create $net.1/24
# testnet_create put its own traps in place of ours; cleanup ends the network too.
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
declare -A macs=([2]=00-0A-E4-20-53-55 [7]=00-0A-E4-00-00-07 [10]=00-0A-E4-00-00-0A [33]=02-00-00-00-00-21
    [200]=00-0A-E4-00-00-C8)
for n in "${!macs[@]}"; do
    testnet_add_host $net.$n "${macs[$n]}"
done
chmod 755 "$work"
mkdir -p "$work/user/data"
chown -R "$ci_user:" "$work/user"
as_user=(setpriv --reuid="$ci_user" --regid="$ci_user" --init-groups env -i PATH=/usr/bin:/bin HOME="$work/user")
testnet_flush_neighbours
testnet_scanner_exec "${as_user[@]}" NETKESTREL_MAC_TRACE=1 \
    /usr/bin/netkestrel-cli scan --range $net.0/24 --format kst --data-dir "$work/user/data" \
    >"$work/scan.out" 2>"$work/scan.err" || true
for n in "${!macs[@]}"; do
    check "user scan finds $net.$n" grep -qF "\"$net.$n\",\"${macs[$n]}\"" "$work/scan.out"
done
# The kernel's resolution leaves an entry for every address it was asked
# about; the raw path, only open to an ordinary user through the helper,
# leaves none.
hosts=$(IFS='|'; echo "${!macs[*]}")
no_neighbour_entries() {
    [ -x "$helper" ] || echo "$helper is not installed"
    ! ip -n "$(testnet_scanner_ns)" -4 neigh show dev eth0 | grep -E "^${net//./\\.}\\.($hosts) " && [ -x "$helper" ]
}
check "user scan took the raw path: no neighbour entry for the hosts (needs the ARP helper)" no_neighbour_entries
check "user scan found the installed vendor data" grep -q 'Wistron Corporation' "$work/scan.out"

echo "-- code slipped in through the environment holds no capability"
# Three libraries that write the capabilities they ran with: one named by
# NETKESTREL_MAC_LIBRARY, and two Qt plugins (the SQLite driver, a platform
# that QT_QPA_PLATFORM names first) in the folders of QT_PLUGIN_PATH and
# QT_QPA_PLATFORM_PLUGIN_PATH. Each program must have held no capability
# when it ran them, and the script says whether it did.
probes=$work/probes
mkdir -p "$probes/plugins/sqldrivers" "$probes/platforms" "$probes/out"
chown "$ci_user:" "$probes/out"
probe_source=tests/package/capability-probe.cpp
read -r -a qt_core < <(pkg-config --cflags --libs Qt6Core)
g++ -std=c++17 -shared -fPIC -DPROBE_OUTPUT="\"$probes/out/mac-library\"" "$probe_source" -o "$probes/libprobe.so"
for kind in sqldriver platform; do
    define=$([ $kind = sqldriver ] && echo PROBE_SQL_DRIVER || echo PROBE_PLATFORM)
    folder=$([ $kind = sqldriver ] && echo "$probes/plugins/sqldrivers" || echo "$probes/platforms")
    mkdir -p "$probes/$kind"
    /usr/lib/qt6/libexec/moc -D$define -Itests/package "$probe_source" -o "$probes/$kind/capability-probe.moc"
    g++ -std=c++17 -shared -fPIC -D$define -DPROBE_OUTPUT="\"$probes/out/$kind\"" -I"$probes/$kind" "${qt_core[@]}" \
        "$probe_source" -o "$folder/libprobe$kind.so"
done
slipped=(QT_PLUGIN_PATH="$probes/plugins" QT_QPA_PLATFORM_PLUGIN_PATH="$probes/platforms"
    NETKESTREL_MAC_LIBRARY="$probes/libprobe.so")
probe_check() { # probe_check PROBE WHAT: the probe did not run, or ran without a capability
    local file=$probes/out/$1 state="did not run"
    [ -s "$file" ] && state="ran in $(sed -n 's/^exe //p' "$file" | sort -u | paste -sd ' ')"
    check "$2 held no capability ($state)" \
        bash -c "cat '$file' 2>/dev/null; ! grep -E '^Cap(Prm|Eff):' '$file' 2>/dev/null | grep -vE ':[[:space:]]+0+\$'"
}
testnet_scanner_exec "${as_user[@]}" "${slipped[@]}" /usr/bin/netkestrel-cli records list \
    --data-dir "$work/user/data" >/dev/null 2>&1 || true
probe_check sqldriver "a Qt plugin in QT_PLUGIN_PATH, in netkestrel-cli records list,"
testnet_scanner_exec "${as_user[@]}" NETKESTREL_MAC_LIBRARY="$probes/libprobe.so" /usr/bin/netkestrel-cli \
    scan --range $net.0/24 --data-dir "$work/user/data" >/dev/null 2>&1 || true
probe_check mac-library "the library of NETKESTREL_MAC_LIBRARY, in netkestrel-cli scan,"
# Without secure execution the hook is the tests' own: the probe must have run,
# so that the copy below shows the program turning it down.
check "netkestrel-cli without a capability loads NETKESTREL_MAC_LIBRARY" test -s "$probes/out/mac-library"
rm -f "$probes/out/"*
testnet_scanner_exec "${as_user[@]}" "${slipped[@]}" QT_QPA_PLATFORM="capability-probe;offscreen" \
    XDG_RUNTIME_DIR="$work/user" timeout -k 5 30 /usr/bin/netkestrel --data-dir "$work/user/window" \
    >"$work/window.log" 2>&1 &
window_pid=$!
testnet_track_pid $window_pid
for _ in $(seq 60); do
    [ -s "$probes/out/platform" ] && [ -s "$probes/out/sqldriver" ] && break
    sleep 0.5
done
kill -TERM $window_pid 2>/dev/null || true
wait $window_pid 2>/dev/null || true
probe_check platform "a Qt platform plugin in QT_QPA_PLATFORM_PLUGIN_PATH, in the window,"
probe_check sqldriver "a Qt plugin in QT_PLUGIN_PATH, in the window,"
# A program that gains a capability on exec runs in secure execution: given
# one anyway, the program must refuse the library the caller names.
rm -f "$probes/out/"*
install -m 0755 /usr/bin/netkestrel-cli "$probes/netkestrel-cli-with-capability"
setcap cap_net_raw+p "$probes/netkestrel-cli-with-capability"
testnet_scanner_exec "${as_user[@]}" NETKESTREL_MAC_LIBRARY="$probes/libprobe.so" \
    "$probes/netkestrel-cli-with-capability" scan --range $net.0/24 --data-dir "$work/user/data" \
    >"$work/secure-scan.out" 2>&1 || true
check "a netkestrel-cli given a file capability ignores NETKESTREL_MAC_LIBRARY" \
    bash -c "cat '$probes/out/mac-library' 2>/dev/null; test ! -e '$probes/out/mac-library'"

echo "-- the watch unit's command line, as the unit runs it"
unit=/lib/systemd/system/netkestrel-watch@.service
mkdir -p /etc/netkestrel
sed -e "s#^RANGE=.*#RANGE=$net.0/24#" -e 's#^EVERY=.*#EVERY=5#' -e 's#^DATA_DIR=.*#DATA_DIR=/var/lib/netkestrel/ci#' \
    /usr/share/netkestrel/watch-example.conf >/etc/netkestrel/watch-ci.conf
# What the unit's StateDirectory= makes before the start.
install -d -o netkestrel -g netkestrel -m 0750 /var/lib/netkestrel
unit_value() { sed -n "s/^$1=//p" "$unit"; }
service_user=$(unit_value User)
environment=()
while read -r line; do
    for assignment in $line; do environment+=("${assignment//%i/ci}"); done
done < <(unit_value Environment)
set -a
source /etc/netkestrel/watch-ci.conf
set +a
exec_start=$(unit_value ExecStart)
exec_start=${exec_start//%i/ci}
command_line=()
for word in $exec_start; do
    command_line+=("$(eval "printf '%s' \"$word\"")")
done
echo "unit runs: ${command_line[*]} (as $service_user)"
# The unit's /proc (ProtectProc=, ProcSubset=) in a mount namespace of its
# own, and its system-call filter (SystemCallFilter=, as systemd reads the
# lines: an allow list, then calls taken out of it) loaded last, once the
# user and the capabilities are set, as systemd does.
proc_options=hidepid=$(unit_value ProtectProc)
[ -n "$(unit_value ProcSubset)" ] && proc_options+=,subset=$(unit_value ProcSubset)
calls_of() { # the system calls named, groups opened (nested ones too), one a line
    local name call
    for name; do
        [[ $name == @* ]] || { echo "$name"; continue; }
        systemd-analyze syscall-filter "$name" | awk '/^    [^#]/ { print $1 }' |
            while read -r call; do calls_of "$call"; done
    done
}
# @default is always allowed; "~" lines take calls out of the allow list.
read -r -a allow_list < <(unit_value SystemCallFilter | grep -v '^~' | paste -sd ' ') || true
read -r -a deny_list < <(unit_value SystemCallFilter | sed -n 's/^~//p' | paste -sd ' ') || true
calls_of @default "${allow_list[@]}" | grep -vxF -f <(calls_of "${deny_list[@]}") | sort -u >"$work/syscalls"
g++ -std=c++17 -O2 tests/package/syscall-filter.cpp -o "$work/syscall-filter" -lseccomp
service=(unshare --mount --propagation private sh -c 'mount -t proc -o "$0" proc /proc && exec "$@"' "$proc_options"
    setpriv --reuid="$service_user" --regid="$service_user" --init-groups --no-new-privs
    --inh-caps=-all,+net_raw --ambient-caps=-all,+net_raw --bounding-set=-all,+net_raw
    env -i PATH=/usr/bin:/bin "${environment[@]}")
filter=("$work/syscall-filter" "$work/syscalls")
# The emulation must bite, or the watch below proves nothing about the unit.
sandbox_bites() {
    "${service[@]}" "${filter[@]}" sh -c 'test ! -e /proc/sys && test ! -e /proc/net && test -r /proc/thread-self/net/arp &&
        test "$(nice -n 5 nice 2>/dev/null)" = 0'
}
check "the unit's sandbox holds: no /proc/sys or /proc/net, setpriority refused" sandbox_bites
# A record whose MAC differs from the one on the wire gives a finding.
"${service[@]}" "${filter[@]}" /usr/bin/netkestrel-cli records add --data-dir "$DATA_DIR" --ip $net.10 \
    --mac 00-0A-E4-00-99-99 --host CI-HOST >/dev/null
testnet_flush_neighbours
ip netns exec "$(testnet_scanner_ns)" "${service[@]}" NETKESTREL_MAC_TRACE=1 "${filter[@]}" "${command_line[@]}" \
    >"$work/watch.out" 2>"$work/watch.err" &
watch_pid=$!
testnet_track_pid $watch_pid
for _ in $(seq 120); do
    grep -q "IP:$net.10;" "$work/watch.out" 2>/dev/null && break
    kill -0 $watch_pid 2>/dev/null || break
    sleep 0.5
done
sleep 1
kill -TERM $watch_pid 2>/dev/null || true
watch_status=0
wait $watch_pid || watch_status=$?
check "watch printed the finding of $net.10 on standard output" \
    grep -qF "[00-0A-E4-00-00-0A] is abused IP:$net.10; This IP belongs to [00-0A-E4-00-99-99]" "$work/watch.out"
check "watch ended with status 0 on SIGTERM (was $watch_status)" test "$watch_status" = 0
check "watch took the raw path with the ambient capability" grep -q "^mac-trace $net.2 raw " "$work/watch.err"
[ -s "$work/watch.out" ] && sed 's/^/    watch: /' "$work/watch.out"

echo "-- purge"
testnet_destroy
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq netkestrel netkestrel-cli >/dev/null
rm -f /etc/netkestrel/watch-ci.conf
left=()
while read -r path; do
    [ -e "$path" ] && [ ! -d "$path" ] && left+=("$path")
done <"$work/installed"
for path in /var/lib/netkestrel /etc/netkestrel /usr/share/netkestrel /usr/lib/$multiarch/netkestrel; do
    [ -e "$path" ] && left+=("$path")
done
check "purge left no file behind" test ${#left[@]} -eq 0
check "purge removed the service user" bash -c "! getent passwd netkestrel"
check "purge left no package state" bash -c "! dpkg-query -W netkestrel netkestrel-cli 2>/dev/null | grep -q ."
[ ${#left[@]} -eq 0 ] || printf '    left: %s\n' "${left[@]}"

if [ "$failures" -gt 0 ]; then
    echo "installed package: $failures checks failed"
    exit 1
fi
echo "installed package: all checks passed"
