#pragma once

// How a scan asks the hosts of its range: ARP for the hosts of one /24
// network, or a NetBIOS node-status query over UDP for any range.
enum class ScanMethod { Arp, Udp };
