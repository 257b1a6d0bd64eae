#!/usr/bin/python3
"""An SMTP server on 127.0.0.1 for the mail sender's tests (aiosmtpd).

Prints "READY <port>" once it accepts connections and runs until its
standard input closes or it is terminated. Every message is kept in the
spool folder as <n>.eml (as received, dot-stuffing undone), and every
attachment decoded into <n>-<file name>: MIME parts from their base64,
plain-text messages from their uuencoded "begin 600" blocks.
"""
import argparse
import binascii
import email
import email.policy
import os
import socket
import ssl
import sys
import threading

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def uudecode_blocks(text):
    files = {}
    name = None
    data = b""
    for line in text.split(b"\r\n"):
        if name is None:
            if line.startswith(b"begin 600 "):
                name = line[len(b"begin 600 "):].decode()
                data = b""
            continue
        if line == b"end":
            files[name] = data
            name = None
            continue
        if line:
            data += binascii.a2b_uu(line)
    return files


class Spool:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        n = self.count
        content = envelope.original_content or envelope.content
        with open(os.path.join(self.folder, f"{n}.eml"), "wb") as f:
            f.write(content)
        message = email.message_from_bytes(content, policy=email.policy.compat32)
        files = {}
        if message.is_multipart():
            for part in message.walk():
                if part.get_filename():
                    files[part.get_filename()] = part.get_payload(decode=True)
        else:
            files = uudecode_blocks(content)
        for name, data in files.items():
            with open(os.path.join(self.folder, f"{n}-{name}"), "wb") as f:
                f.write(data)
        return "250 OK"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--spool", required=True)
    parser.add_argument("--user")
    parser.add_argument("--password")
    parser.add_argument("--starttls", nargs=2, metavar=("CERT", "KEY"))
    parser.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"))
    args = parser.parse_args()

    def authenticator(server, session, envelope, mechanism, auth_data):
        ok = (mechanism == "LOGIN" and auth_data.login.decode() == args.user
              and auth_data.password.decode() == args.password)
        return AuthResult(success=ok)

    options = {}
    if args.user:
        # This aiosmtpd counts only STARTTLS as encryption; over TLS from the
        # first byte it would hide AUTH.
        options.update(authenticator=authenticator, auth_required=True,
                       auth_require_tls=bool(args.starttls))
    if args.starttls:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(*args.starttls)
        options.update(tls_context=context, require_starttls=True)
    server_context = None
    if args.tls:
        server_context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        server_context.load_cert_chain(*args.tls)

    port = free_port()
    controller = Controller(Spool(args.spool), hostname="127.0.0.1", port=port,
                            ssl_context=server_context, server_hostname="127.0.0.1", **options)
    controller.start()
    print(f"READY {port}", flush=True)
    done = threading.Event()
    threading.Thread(target=lambda: (sys.stdin.read(), done.set()), daemon=True).start()
    done.wait()
    controller.stop()


if __name__ == "__main__":
    main()
