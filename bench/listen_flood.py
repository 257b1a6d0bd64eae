"""ARP announcements on eth0, RATE a second for SECONDS: from FIXED senders
in turn, and NEW_PERCENT of them from senders never seen before. Runs inside
a test host namespace only (bench/listen-load.sh).
    listen_flood.py NET RATE SECONDS FIXED NEW_PERCENT      (NET: "198.18.14")
"""
import socket
import struct
import sys
import time


def announcement(sender, address):
    arp = struct.pack("!HHBBH", 1, 0x0800, 6, 4, 1) + sender + address + b"\0" * 6 + address
    return b"\xff" * 6 + sender + b"\x08\x06" + arp


def main():
    net, (rate, seconds, fixed, new_percent) = sys.argv[1], map(int, sys.argv[2:6])
    link = socket.socket(socket.AF_PACKET, socket.SOCK_RAW)
    link.bind(("eth0", 0))
    sent, fresh, start = 0, 0, time.monotonic()
    while sent < rate * seconds:
        due = min(int((time.monotonic() - start) * rate), rate * seconds)
        while sent < due:
            if sent * new_percent // 100 != (sent + 1) * new_percent // 100:
                fresh += 1
                sender = bytes([0x02, 0x0A, 0xE5, fresh >> 16 & 0xFF, fresh >> 8 & 0xFF, fresh & 0xFF])
                address = socket.inet_aton(f"{net}.{1 + fresh % 250}")
            else:
                sender = bytes([0x02, 0x0A, 0xE4, 0x00, 0x0F, 1 + sent % fixed])
                address = socket.inet_aton(f"{net}.{1 + sent % fixed}")
            link.send(announcement(sender, address))
            sent += 1
        time.sleep(0.001)
    print(f"sent {sent}, {fresh} from new senders")


if __name__ == "__main__":
    main()
