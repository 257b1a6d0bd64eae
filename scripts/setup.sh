#!/usr/bin/env bash
# Installs what Netkestrel needs and builds it into build/ (or $NETKESTREL_BUILD_DIR).
#   scripts/setup.sh [--sanitize]
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${NETKESTREL_BUILD_DIR:-build}
cmake_args=(-DNETKESTREL_WERROR=ON)
for arg in "$@"; do
    case "$arg" in
    --sanitize) cmake_args+=(-DNETKESTREL_SANITIZE=ON); build_dir=${NETKESTREL_BUILD_DIR:-build-sanitize} ;;
    *) echo "setup: unknown option $arg" >&2; exit 2 ;;
    esac
done

bash scripts/install-deps.sh >&2
if command -v ccache >/dev/null; then
    # Paths relative to the checkout, so that another clone of the same
    # sources (a CI run in a fresh folder) finds what an earlier build cached.
    export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
    cmake_args+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build_dir" -G Ninja "${cmake_args[@]}" >&2
cmake --build "$build_dir" -j"$(nproc)" >&2
echo "$build_dir"
