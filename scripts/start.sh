#!/usr/bin/env bash
# Sets up and builds Netkestrel, then starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=$(bash scripts/setup.sh | tail -n 1)
exec "$build_dir/bin/netkestrel-cli" "$@"
