#!/bin/bash
# The files that a desktop and a server read, checked with the tools that
# read them: the menu entry (desktop-file-validate), the AppStream metadata
# (appstreamcli), the man pages (groff's warnings), the watch unit
# (systemd-analyze verify, and its security exposure against a ceiling). The
# unit is the one the build made from its template, with its program pointed
# at the build's netkestrel-cli, since verify wants the program to exist.
set -u
source_dir=${NETKESTREL_SOURCE_DIR:?}
bin_dir=${NETKESTREL_BIN_DIR:?}
unit=$bin_dir/../dist/netkestrel-watch@.service
# Hardening that slips above this shows as a failure here, not in a review.
exposure_ceiling=2.0

for tool in desktop-file-validate appstreamcli groff systemd-analyze; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/install-deps.sh)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() {
    echo "$*"
    status=1
}

desktop=$source_dir/dist/org.netkestrel.Netkestrel.desktop
out=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$out" ] || fail "desktop-file-validate: $out"
out=$(appstreamcli validate --no-net "$source_dir/dist/org.netkestrel.Netkestrel.metainfo.xml" 2>&1) ||
    fail "appstreamcli validate: $out"
# The metadata names the menu entry that is installed.
grep -q "<launchable type=\"desktop-id\">$(basename "$desktop")</launchable>" \
    "$source_dir/dist/org.netkestrel.Netkestrel.metainfo.xml" || fail "metainfo: launchable is not $(basename "$desktop")"

for page in "$source_dir"/docs/man/*.1; do
    out=$(groff -man -ww -z -Tutf8 "$page" 2>&1) && [ -z "$out" ] || fail "groff $(basename "$page"): $out"
done

[ -f "$unit" ] || { fail "$unit was not made by the build"; exit 1; }
instance=$work/netkestrel-watch@office.service
sed "s#^ExecStart=[^ ]*/netkestrel-cli #ExecStart=$(realpath "$bin_dir")/netkestrel-cli #" "$unit" >"$instance"
grep -q "^ExecStart=$(realpath "$bin_dir")/netkestrel-cli watch " "$instance" || fail "unit: ExecStart does not run netkestrel-cli watch"
out=$(systemd-analyze verify --man=no "$instance" 2>&1) && [ -z "$out" ] || fail "systemd-analyze verify: $out"
report=$(systemd-analyze security --offline=true "$instance" 2>&1)
exposure=$(sed -n 's/.*Overall exposure level for [^:]*: \([0-9.]*\).*/\1/p' <<<"$report")
if [ -z "$exposure" ]; then
    fail "systemd-analyze security gave no exposure figure: $report"
elif ! awk -v e="$exposure" -v c="$exposure_ceiling" 'BEGIN { exit !(e <= c) }'; then
    fail "watch unit exposure $exposure is above $exposure_ceiling:"$'\n'"$(grep '✗' <<<"$report")"
else
    echo "watch unit exposure: $exposure"
fi
# The one capability, as ambient and bounding set, for a user of its own.
for line in AmbientCapabilities=CAP_NET_RAW CapabilityBoundingSet=CAP_NET_RAW NoNewPrivileges=yes \
    ProtectSystem=strict PrivateTmp=yes User=netkestrel ProcSubset=pid "SystemCallFilter=~@privileged @resources"; do
    grep -qx "$line" "$unit" || fail "unit: no $line"
done
exit $status
