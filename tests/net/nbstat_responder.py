"""Answers NetBIOS node-status queries on UDP port 137 with crafted replies.

Runs inside a test host namespace only. Usage:
    nbstat_responder.py MODE MAC [REPLY_FROM]
MODE: normal NAME GROUP | zero | huge | twounique | othergroups | solo
The reply is sent from REPLY_FROM:137 when given (an address the host holds).
"""
import socket
import sys


def entry(name, suffix, group):
    return name.ljust(15).encode()[:15] + bytes([suffix, 0x84 if group else 0x04, 0])


def reply(mode, mac, args):
    names = []
    count = None
    if mode == "normal":
        names = [entry(args[0], 0, False), entry(args[1], 0, True), entry(args[0], 0x20, False)]
    elif mode == "zero":
        count = 0
    elif mode == "huge":
        names = [entry("HUGE", 0, False)]
        count = 200
    elif mode == "twounique":
        names = [entry("FIRSTNAME", 0, False), entry("SECONDNAME", 0x20, False)]
    elif mode == "othergroups":
        names = [entry("DOMAINX", 0x1C, True), entry("DOMAINX", 0x1E, True)]
    elif mode == "solo":
        names = [entry("SOLO", 0, False)]
    if count is None:
        count = len(names)
    return bytes(56) + bytes([count]) + b"".join(names) + mac + bytes(46)


def main():
    mode = sys.argv[1]
    mac = bytes.fromhex(sys.argv[2].replace(":", "").replace("-", ""))
    rest = sys.argv[3:]
    reply_from = None
    if mode != "normal" and rest:
        reply_from = rest[0]
    elif mode == "normal" and len(rest) > 2:
        reply_from = rest[2]
    data = reply(mode, mac, rest)
    listener = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("0.0.0.0", 137))
    sender = listener
    if reply_from:
        sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        sender.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        sender.bind((reply_from, 137))
    print("ready", flush=True)
    while True:
        _, peer = listener.recvfrom(600)
        sender.sendto(data, peer)


main()
