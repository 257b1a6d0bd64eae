#!/bin/bash
# A scan that cannot start (here: the ARP resolver library is missing) is
# reported on standard error as "Error: <reason>" and the command ends with
# status 1 instead of waiting for a run that never began. Runs in a network
# namespace of its own, so that nothing could leave even if a probe were sent.
set -u
cli="${NETKESTREL_BIN_DIR:?}/netkestrel-cli"
if [ "$(id -u)" -ne 0 ] || ! unshare --net true 2>/dev/null; then
    echo "needs root for a network namespace of its own; skipped"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for command in scan analyze; do
    # The range lies on the network of a veth pair inside the namespace, so
    # that the command gets past its on-link check to the missing library.
    NETKESTREL_MAC_LIBRARY=/nonexistent/libmac.so timeout -k 5 20 unshare --net sh -c '
        ip link add nk0 type veth peer name nk1 && ip address add 198.18.7.100/24 dev nk0 &&
        ip link set nk1 up && ip link set nk0 up &&
        exec "$@"' sh \
        "$cli" "$command" --method arp --from 198.18.7.1 --to 198.18.7.9 --data-dir "$work" \
        >"$work/out" 2>"$work/err"
    code=$?
    if [ $code -ne 1 ]; then
        echo "$command: exit status $code, not 1 (124 or 137: it hung)"
        status=1
    fi
    if ! grep -q '^Error: The ARP resolver library libmac.so cannot be loaded' "$work/err"; then
        echo "$command: no reason on standard error:"
        cat "$work/err"
        status=1
    fi
    if [ "$command" = analyze ] && [ -s "$work/out" ]; then
        echo "analyze: findings printed although nothing was scanned:"
        cat "$work/out"
        status=1
    fi
done
exit $status
