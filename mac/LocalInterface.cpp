#include "LocalInterface.h"

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

std::optional<LocalInterface> findOnLinkInterface(in_addr destination)
{
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0)
        return std::nullopt;

    const ifaddrs *chosen = nullptr;
    bool chosenIsDestination = false;
    for (const ifaddrs *entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || !entry->ifa_netmask || entry->ifa_addr->sa_family != AF_INET)
            continue;
        if (!(entry->ifa_flags & IFF_UP) || (entry->ifa_flags & IFF_LOOPBACK))
            continue;
        const in_addr_t address = reinterpret_cast<const sockaddr_in *>(entry->ifa_addr)->sin_addr.s_addr;
        const in_addr_t mask = reinterpret_cast<const sockaddr_in *>(entry->ifa_netmask)->sin_addr.s_addr;
        if (address == destination.s_addr) {
            chosen = entry;
            chosenIsDestination = true;
            break;
        }
        if (!chosen && (address & mask) == (destination.s_addr & mask))
            chosen = entry;
    }

    std::optional<LocalInterface> result;
    if (chosen) {
        const std::string device = deviceName(chosen->ifa_name);
        LocalInterface local;
        local.index = if_nametoindex(device.c_str());
        local.address = reinterpret_cast<const sockaddr_in *>(chosen->ifa_addr)->sin_addr;
        local.hasHardware = hardwareFromPacketEntry(list, device, local.hardware) ||
                            hardwareFromIoctl(device, local.hardware);
        local.isDestination = chosenIsDestination;
        if (local.index != 0)
            result = local;
    }
    freeifaddrs(list);
    return result;
}

} // namespace mac
