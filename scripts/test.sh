#!/usr/bin/env bash
# Sets up and builds Netkestrel, then runs the whole test suite.
#   scripts/test.sh [--sanitize] [ctest options...]
# Tests that need root (they build their own network namespaces) report
# themselves as skipped when run without it.
set -euo pipefail
cd "$(dirname "$0")/.."

setup_args=()
ctest_args=()
for arg in "$@"; do
    case "$arg" in
    --sanitize) setup_args+=(--sanitize) ;;
    *) ctest_args+=("$arg") ;;
    esac
done

build_dir=$(bash scripts/setup.sh "${setup_args[@]}" | tail -n 1)
# Each test chooses the privileges it runs with; a file capability left by
# scripts/start.sh (or by an older one, on the programs) would give a test
# that runs without CAP_NET_RAW the raw path all the same, or make the program
# refuse to run at all.
for program in "$build_dir/bin/netkestrel" "$build_dir/bin/netkestrel-cli" "$build_dir/bin/netkestrel-arp"; do
    if [ -n "$(getcap "$program" 2>/dev/null)" ]; then
        setcap -r "$program"
    fi
done
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp}
cd "$build_dir"
ctest --output-on-failure -j2 "${ctest_args[@]}"
