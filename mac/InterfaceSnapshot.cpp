#include "mac/InterfaceSnapshot.h"

#include <cstring>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace mac {

namespace {

// "eth0:1" (an address label) belongs to the device "eth0".
std::string deviceName(const char *label)
{
    std::string name(label);
    if (const auto colon = name.find(':'); colon != std::string::npos)
        name.resize(colon);
    return name;
}

bool hardwareFromPacketEntry(const ifaddrs *list, const std::string &device, MacAddress &out)
{
    for (const ifaddrs *entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_PACKET || device != entry->ifa_name)
            continue;
        const auto *link = reinterpret_cast<const sockaddr_ll *>(entry->ifa_addr);
        if (link->sll_halen != out.size())
            return false;
        std::memcpy(out.data(), link->sll_addr, out.size());
        return true;
    }
    return false;
}

bool hardwareFromIoctl(const std::string &device, MacAddress &out)
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    ifreq request{};
    std::strncpy(request.ifr_name, device.c_str(), IFNAMSIZ - 1);
    const bool ok = ioctl(fd, SIOCGIFHWADDR, &request) == 0 && request.ifr_hwaddr.sa_family == ARPHRD_ETHER;
    close(fd);
    if (ok)
        std::memcpy(out.data(), request.ifr_hwaddr.sa_data, out.size());
    return ok;
}

} // namespace

InterfaceSnapshot InterfaceSnapshot::current()
{
    InterfaceSnapshot snapshot;
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0)
        return snapshot;
    for (const ifaddrs *entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || !entry->ifa_netmask || entry->ifa_addr->sa_family != AF_INET)
            continue;
        if (!(entry->ifa_flags & IFF_UP) || (entry->ifa_flags & IFF_LOOPBACK))
            continue;
        const std::string device = deviceName(entry->ifa_name);
        Entry kept;
        kept.local.index = if_nametoindex(device.c_str());
        if (kept.local.index == 0)
            continue;
        kept.local.address = reinterpret_cast<const sockaddr_in *>(entry->ifa_addr)->sin_addr;
        kept.local.hasHardware = hardwareFromPacketEntry(list, device, kept.local.hardware) ||
                                 hardwareFromIoctl(device, kept.local.hardware);
        kept.mask = reinterpret_cast<const sockaddr_in *>(entry->ifa_netmask)->sin_addr.s_addr;
        snapshot.m_entries.push_back(kept);
    }
    freeifaddrs(list);
    return snapshot;
}

std::optional<LocalInterface> InterfaceSnapshot::find(in_addr destination) const
{
    const Entry *chosen = nullptr;
    for (const Entry &entry : m_entries) {
        if (entry.local.address.s_addr == destination.s_addr) {
            LocalInterface own = entry.local;
            own.isDestination = true;
            return own;
        }
        if (!chosen && (entry.local.address.s_addr & entry.mask) == (destination.s_addr & entry.mask))
            chosen = &entry;
    }
    if (!chosen)
        return std::nullopt;
    return chosen->local;
}

} // namespace mac
