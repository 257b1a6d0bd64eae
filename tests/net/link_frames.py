"""Sends crafted ARP and IPv6 neighbour discovery frames on eth0.

Runs inside a test host namespace only (needs a packet socket). Usage:
    link_frames.py sample NET SCANNER_MAC
        one frame of each kind the link listener hears, then frames it must
        not pass (other types, damaged ones), addresses in NET.0/24 (NET is
        "198.18.13"), the hosts' MACs 02:0a:e4:00:0d:NN
    link_frames.py burst NET COUNT
        COUNT announcements from distinct senders, as fast as they go
    link_frames.py announce ADDRESS MAC
        one gratuitous ARP: MAC takes ADDRESS
"""
import socket
import struct
import sys

BROADCAST = b"\xff" * 6


def mac(last, second=0x0D):
    return bytes([0x02, 0x0A, 0xE4, 0x00, second, last])


def quad(net, last):
    return socket.inet_aton(f"{net}.{last}")


NOBODY = bytes(4)


def arp(operation, sender_mac, sender, target, hardware=1):
    return struct.pack("!HHBBH", hardware, 0x0800, 6, 4, operation) + sender_mac + sender + b"\0" * 6 + target


def checksum(data):
    if len(data) % 2:
        data += b"\0"
    total = sum(struct.unpack(f"!{len(data) // 2}H", data))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return ~total & 0xFFFF


def ipv6(source, destination, message, hop_limit=255, payload_length=None):
    src, dst = socket.inet_pton(socket.AF_INET6, source), socket.inet_pton(socket.AF_INET6, destination)
    pseudo = src + dst + struct.pack("!I3xB", len(message), 58)
    message = message[:2] + struct.pack("!H", checksum(pseudo + message[:2] + b"\0\0" + message[4:])) + message[4:]
    length = len(message) if payload_length is None else payload_length
    return struct.pack("!IHBB", 6 << 28, length, 58, hop_limit) + src + dst + message


def nd(kind, target, options=b"", flags=0):
    return struct.pack("!BBHI", kind, 0, 0, flags) + socket.inet_pton(socket.AF_INET6, target) + options


def link_option(kind, address):
    return bytes([kind, 1]) + address


def solicited(address):
    raw = socket.inet_pton(socket.AF_INET6, address)
    return "ff02::1:ff" + raw[13:14].hex() + ":" + raw[14:16].hex(), b"\x33\x33\xff" + raw[13:16]


def sample(link, own, net, scanner):
    arp_frames = [
        # Heard: request, reply, probe, announcement (request and reply).
        (BROADCAST, arp(1, own, quad(net, 2), quad(net, 9))),
        (scanner, arp(2, mac(0x12), quad(net, 12), quad(net, 1))),
        (BROADCAST, arp(1, mac(0x22), NOBODY, quad(net, 22))),
        (BROADCAST, arp(1, mac(0x32), quad(net, 32), quad(net, 32))),
        (BROADCAST, arp(2, mac(0x33), quad(net, 33), quad(net, 33))),
        # The request again: told once a second at most.
        (BROADCAST, arp(1, own, quad(net, 2), quad(net, 9))),
        # Not passed: another hardware type, RARP, a multicast sender MAC,
        # a reply from 0.0.0.0, a request for nothing.
        (BROADCAST, arp(1, mac(0x80), quad(net, 80), quad(net, 1), hardware=6)),
        (BROADCAST, arp(3, mac(0x81), quad(net, 81), quad(net, 1))),
        (BROADCAST, arp(1, b"\x03" + mac(0x82)[1:], quad(net, 82), quad(net, 1))),
        (BROADCAST, arp(2, mac(0x83), NOBODY, quad(net, 83))),
        (BROADCAST, arp(1, mac(0x84), NOBODY, NOBODY)),
    ]
    for destination, payload in arp_frames:
        link.send(destination + own + b"\x08\x06" + payload)
    group, group_mac = solicited("2001:db8::1")
    nd_frames = [
        # Heard: a solicitation (its option names another MAC than the
        # frame's), an advertisement, a duplicate address check, a
        # solicitation without option.
        ipv6("fe80::2", group, nd(135, "2001:db8::1", link_option(1, mac(0x42)))),
        ipv6("2001:db8::52", "ff02::1", nd(136, "2001:db8::52", link_option(2, mac(0x52)), 0x20000000)),
        ipv6("::", group, nd(135, "2001:db8::62")),
        ipv6("fe80::72", group, nd(135, "2001:db8::1")),
        # Not passed: an echo request, hop limit 64, a zero-length option, a
        # payload longer than the frame, an advertisement from ::, one for
        # a multicast target, a solicitation cut short.
        ipv6("fe80::90", "ff02::1", struct.pack("!BBHI", 128, 0, 0, 0) + b"\0" * 16),
        ipv6("fe80::91", group, nd(135, "2001:db8::1"), hop_limit=64),
        ipv6("fe80::92", group, nd(135, "2001:db8::1", bytes([1, 0]) + mac(0x92))),
        ipv6("fe80::93", group, nd(135, "2001:db8::1"), payload_length=200),
        ipv6("::", "ff02::1", nd(136, "2001:db8::94")),
        ipv6("fe80::95", "ff02::1", nd(136, "ff02::95")),
        ipv6("fe80::96", group, nd(135, "2001:db8::1")[:20]),
    ]
    for payload in nd_frames:
        link.send(group_mac + own + b"\x86\xdd" + payload)
    # Not passed either: an IPv4 datagram.
    link.send(BROADCAST + own + b"\x08\x00" + b"\x45" + b"\0" * 27)


def main():
    link = socket.socket(socket.AF_PACKET, socket.SOCK_RAW)
    link.bind(("eth0", 0))
    own = link.getsockname()[4]
    mode, net = sys.argv[1], sys.argv[2]
    if mode == "sample":
        sample(link, own, net, bytes.fromhex(sys.argv[3].replace(":", "")))
    elif mode == "burst":
        for n in range(int(sys.argv[3])):
            sender = bytes([0x02, 0x0A, 0xE6, n >> 16 & 0xFF, n >> 8 & 0xFF, n & 0xFF])
            link.send(BROADCAST + sender + b"\x08\x06" + arp(1, sender, quad(net, 2), quad(net, 2)))
    elif mode == "announce":
        sender, address = bytes.fromhex(sys.argv[3].replace("-", "")), socket.inet_aton(net)
        link.send(BROADCAST + sender + b"\x08\x06" + arp(1, sender, address, address))


if __name__ == "__main__":
    main()
