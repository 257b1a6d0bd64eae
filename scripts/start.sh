#!/usr/bin/env bash
# Sets up and builds Netkestrel, then starts the program's window. Without a
# display it says so and prints the command line's usage instead.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=$(bash scripts/setup.sh | tail -n 1)
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "start: no display (\$DISPLAY and \$WAYLAND_DISPLAY are empty), so the window cannot open." >&2
    echo "start: run $build_dir/bin/netkestrel from a desktop session; here is the command line instead:" >&2
    # Without a command netkestrel-cli refuses (status 2); here the usage is what was asked for.
    [ $# -gt 0 ] || set -- --help
    exec "$build_dir/bin/netkestrel-cli" "$@"
fi
exec "$build_dir/bin/netkestrel" "$@"
