#!/usr/bin/env bash
# Every benchmark against the peer tools, one after the other (root; about
# eight minutes, most of it nbtscan's sweeps of the /16): the /24 ARP scan
# with where its time goes, the /24 node-status scan, the whole /16.
#   NETKESTREL_BIN_DIR=build/bin bench/peers.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
start=$SECONDS
status=0
for script in arp-scan.sh nbt-scan.sh sweep16.sh; do
    echo "== bench/$script"
    bash "$here/$script" || status=$?
    echo
done
echo "all benchmarks: $((SECONDS - start)) s"
exit "$status"
