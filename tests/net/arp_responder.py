"""Answers ARP requests for one address late, or more than once.

Stands in for a host whose kernel answers (its interface set to "arp off")
when the kernel has no netem queue to delay or duplicate replies with. Runs
inside a test host namespace only. Usage:
    arp_responder.py IFACE IP MAC DELAY_MS COPIES
Prints "ready" once it listens.
"""
import select
import socket
import struct
import sys
import time

ETH_P_ARP = 0x0806


def main():
    iface, ip, mac_text, delay_ms, copies = sys.argv[1:6]
    own_ip = socket.inet_aton(ip)
    mac = bytes.fromhex(mac_text.replace(":", "").replace("-", ""))
    delay = int(delay_ms) / 1000.0
    sock = socket.socket(socket.AF_PACKET, socket.SOCK_RAW, socket.htons(ETH_P_ARP))
    sock.bind((iface, ETH_P_ARP))
    print("ready", flush=True)
    due = []  # (time, frame), in the order the requests came
    while True:
        timeout = max(0.0, due[0][0] - time.monotonic()) if due else None
        readable, _, _ = select.select([sock], [], [], timeout)
        if readable:
            frame = sock.recv(128)
            if len(frame) >= 42 and frame[12:14] == b"\x08\x06" and frame[20:22] == b"\x00\x01" \
                    and frame[38:42] == own_ip:
                asker_mac, asker_ip = frame[22:28], frame[28:32]
                reply = asker_mac + mac + b"\x08\x06" + struct.pack("!HHBBH", 1, 0x0800, 6, 4, 2) \
                    + mac + own_ip + asker_mac + asker_ip + bytes(18)
                due.append((time.monotonic() + delay, reply))
        while due and due[0][0] <= time.monotonic():
            _, reply = due.pop(0)
            for _ in range(int(copies)):
                sock.send(reply)


if __name__ == "__main__":
    main()
