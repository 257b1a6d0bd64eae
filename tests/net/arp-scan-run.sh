#!/usr/bin/env bash
# Runs TestArpScanRun (the scan run with the real ARP method) inside the
# scanner namespace of a test network of 12 live hosts.
set -euo pipefail
source "$NETKESTREL_SOURCE_DIR/tests/net/testnet.sh"
testnet_require_root

testnet_create 198.18.7.1/24
hosts="198.18.7.1=$(testnet_scanner_mac | tr 'a-f:' 'A-F-')"
for n in 3 4 6 9 10 12 13 20 27 31 38 40; do
    mac=$(printf '00-0A-E4-00-07-%02X' $n)
    testnet_add_host 198.18.7.$n $mac
    hosts+=" 198.18.7.$n=$mac"
done
testnet_scanner_exec env NETKESTREL_TEST_HOSTS="$hosts" "$NETKESTREL_BIN_DIR/TestArpScanRun"
