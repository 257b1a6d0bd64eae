#!/bin/bash
# netkestrel-cli runs on servers, from cron and under systemd: it and every
# engine library it links may use QtCore, QtNetwork and QtSql only, never
# QtGui or anything above it. Reads the executable's own NEEDED entries and
# the libraries the loader would bring in with them.
set -u
cli="${NETKESTREL_BIN_DIR:?}/netkestrel-cli"
[ -x "$cli" ] || { echo "no $cli"; exit 1; }

allowed='^libQt6(Core|Network|Sql)\.so'
status=0

needed=$(readelf -d "$cli" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
loaded=$(ldd "$cli" | awk '{print $1}')
if ! grep -q '^libQt6Core\.so' <<<"$needed"; then
    echo "readelf shows no libQt6Core among the NEEDED entries of $cli:"
    echo "$needed"
    exit 1
fi
for lib in $needed $loaded; do
    case "$lib" in
    libQt6*)
        if ! grep -Eq "$allowed" <<<"$lib"; then
            echo "netkestrel-cli brings in $lib"
            status=1
        fi
        ;;
    esac
done
if ldd "$cli" | grep -qi gui; then
    echo "ldd netkestrel-cli:"
    ldd "$cli" | grep -i gui
    status=1
fi
[ $status -eq 0 ] && echo "netkestrel-cli: $(grep -E '^libQt6' <<<"$loaded" | sort -u | tr '\n' ' ')"
exit $status
