#!/usr/bin/env bash
# Runs TestMainWindowScan (the window's Scan, Pause and Stop through a real
# ARP scan) offscreen inside the scanner namespace of a test network.
set -euo pipefail
source "$NETKESTREL_SOURCE_DIR/tests/net/testnet.sh"
testnet_require_root

testnet_create 198.18.7.1/24
hosts="198.18.7.1=$(testnet_scanner_mac | tr 'a-f:' 'A-F-')"
for n in 5 8 13 21 34 55; do
    mac=$(printf '00-0A-E4-00-07-%02X' $n)
    testnet_add_host 198.18.7.$n $mac
    hosts+=" 198.18.7.$n=$mac"
done
config=$(mktemp -d)
trap 'rm -rf "$config"; testnet_destroy' EXIT
testnet_scanner_exec env QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$config" XDG_DATA_HOME="$config" \
    NETKESTREL_TEST_HOSTS="$hosts" "$NETKESTREL_BIN_DIR/TestMainWindowScan"
