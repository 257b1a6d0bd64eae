#!/usr/bin/env bash
# A POP3 server on 127.0.0.1 for the mail sender's tests: dovecot from a
# configuration of its own in a folder of its own, one user given by the
# arguments (USER PASSWORD). Prints "READY <port>" once it accepts
# connections; stops dovecot by its process id and removes the folder when
# its standard input closes or it is terminated. Needs root (dovecot drops
# to its own users); exits 77 otherwise.
set -euo pipefail
user=$1 password=$2
[ "$(id -u)" -eq 0 ] || { echo "pop3_peer: needs root" >&2; exit 77; }
command -v dovecot >/dev/null || { echo "pop3_peer: dovecot is missing" >&2; exit 77; }

dir=$(mktemp -d /tmp/nk-pop3.XXXXXX)
chmod 755 "$dir"
mkdir -m 777 "$dir/mail"
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 0' TERM INT

port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
printf '%s:{PLAIN}%s\n' "$user" "$password" >"$dir/passwd"
cat >"$dir/dovecot.conf" <<CONF
base_dir = $dir/run
state_dir = $dir/state
log_path = $dir/dovecot.log
protocols = pop3
listen = 127.0.0.1
ssl = no
disable_plaintext_auth = no
auth_mechanisms = plain
auth_failure_delay = 0
default_internal_user = dovecot
default_internal_group = dovecot
default_login_user = dovenull
passdb {
  driver = passwd-file
  args = scheme=PLAIN $dir/passwd
}
userdb {
  driver = static
  args = uid=nobody gid=nogroup home=$dir/mail/%u
}
mail_location = maildir:$dir/mail/%u
service pop3-login {
  inet_listener pop3 {
    address = 127.0.0.1
    port = $port
  }
}
CONF
dovecot -c "$dir/dovecot.conf" -F &
pid=$!
for _ in $(seq 100); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
        echo "READY $port"
        cat >/dev/null || true
        exit 0
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
echo "pop3_peer: dovecot did not start" >&2
cat "$dir/dovecot.log" >&2 || true
exit 1
