#!/bin/bash
# The Debian packages as an administrator meets them: built by
# scripts/package.sh, checked by lintian, installed with apt, the installed
# layout checked, netkestrel-cli run as an ordinary user in a test network of
# its own (an ARP scan must find every host through the raw path, which only
# the file capability of the package allows), the watch unit's command line
# run as the unit runs it (its user, its environment, only CAP_NET_RAW,
# ambient, no new privileges), and then purged, with nothing left behind.
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
    /usr/lib/$multiarch/netkestrel/netkestrel-xls-reader \
    /usr/share/netkestrel/wkcj.dll /usr/share/netkestrel/wkcj-blocks.txt /usr/share/netkestrel/help/index.html \
    /usr/share/netkestrel/watch-example.conf /usr/share/applications/org.netkestrel.Netkestrel.desktop \
    /usr/share/metainfo/org.netkestrel.Netkestrel.metainfo.xml /usr/share/icons/hicolor/scalable/apps/netkestrel.svg \
    /usr/share/icons/hicolor/48x48/apps/netkestrel.png /usr/share/man/man1/netkestrel.1.gz \
    /usr/share/man/man1/netkestrel-cli.1.gz /lib/systemd/system/netkestrel-watch@.service; do
    check "installed: $path" grep -qx "$path" "$work/installed"
done
check "libmac.so is not on the system's library path" bash -c "! ldconfig -p | grep -q 'libmac\.so'"
check "netkestrel-cli links no display library" bash -c "! ldd /usr/bin/netkestrel-cli | grep -E 'libQt6(Gui|Widgets)'"
for program in netkestrel netkestrel-cli; do
    check "$program has cap_net_raw=ep" bash -c "getcap /usr/bin/$program | grep -q 'cap_net_raw=ep'"
done
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
mkdir -p "$work/user"
chown "$ci_user:" "$work/user"
testnet_scanner_exec setpriv --reuid="$ci_user" --regid="$ci_user" --init-groups \
    env -i PATH=/usr/bin:/bin HOME="$work/user" NETKESTREL_MAC_TRACE=1 \
    /usr/bin/netkestrel-cli scan --range $net.0/24 --format kst --data-dir "$work/user/data" \
    >"$work/scan.out" 2>"$work/scan.err" || true
for n in "${!macs[@]}"; do
    check "user scan finds $net.$n" grep -qF "\"$net.$n\",\"${macs[$n]}\"" "$work/scan.out"
    check "user scan reached $net.$n through the raw path" grep -q "^mac-trace $net.$n raw " "$work/scan.err"
done
check "user scan took the raw path only" bash -c "! grep '^mac-trace ' '$work/scan.err' | awk '\$3 != \"raw\" && \$3 != \"own\"' | grep -q ."
check "user scan found the installed vendor data" grep -q 'Wistron Corporation' "$work/scan.out"

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
service=(setpriv --reuid="$service_user" --regid="$service_user" --init-groups --no-new-privs
    --inh-caps=-all,+net_raw --ambient-caps=-all,+net_raw --bounding-set=-all,+net_raw
    env -i PATH=/usr/bin:/bin "${environment[@]}")
# A record whose MAC differs from the one on the wire gives a finding.
"${service[@]}" /usr/bin/netkestrel-cli records add --data-dir "$DATA_DIR" --ip $net.10 --mac 00-0A-E4-00-99-99 \
    --host CI-HOST >/dev/null
testnet_flush_neighbours
ip netns exec "$(testnet_scanner_ns)" "${service[@]}" NETKESTREL_MAC_TRACE=1 "${command_line[@]}" \
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
