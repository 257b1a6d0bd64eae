#!/usr/bin/env bash
# The project's C++ sources in the layout of .clang-format (Debian 12's
# clang-format 14).
#   scripts/format.sh           reformats every tracked *.cpp and *.h in place
#   scripts/format.sh --check   changes nothing; lists the files that differ
#                               from the layout and exits 1 when there are any
set -euo pipefail
cd "$(dirname "$0")/.."

check=0
for arg in "$@"; do
    case "$arg" in
    --check) check=1 ;;
    *) echo "format: unknown option $arg" >&2; exit 2 ;;
    esac
done

formatter=${CLANG_FORMAT:-clang-format}
command -v "$formatter" >/dev/null || { echo "format: $formatter is missing (scripts/install-deps.sh)" >&2; exit 1; }

mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "$check" = 0 ]; then
    printf '%s\0' "${files[@]}" | xargs -0 -n 50 -P "$(nproc)" "$formatter" -i
    exit 0
fi

# Every difference is a warning on standard error, and so is a file that
# cannot be read: a file with any output differs.
mapfile -t differ < <(printf '%s\0' "${files[@]}" | xargs -0 -P "$(nproc)" -I{} \
    sh -c '[ -z "$("$0" --dry-run "$1" 2>&1)" ] || echo "$1"' "$formatter" {} | sort)
if [ ${#differ[@]} -gt 0 ]; then
    echo "format: ${#differ[@]} files differ from .clang-format (scripts/format.sh reformats them):" >&2
    printf '  %s\n' "${differ[@]}" >&2
    exit 1
fi
echo "format: all ${#files[@]} files match .clang-format"
