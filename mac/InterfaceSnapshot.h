#pragma once

#include "mac/LocalInterface.h"

#include <netinet/in.h>
#include <optional>
#include <vector>

namespace mac {

// The IPv4 addresses of the interfaces that are up and not loopback, read
// once. Every worker of a Therad call looks its destination up here instead
// of asking the kernel for the whole address list again: a /16 scan would
// otherwise read it 65,536 times.
class InterfaceSnapshot
{
public:
    static InterfaceSnapshot current();

    // The interface whose own address is destination (flagged), else the
    // first whose network holds destination; nullopt when none does.
    std::optional<LocalInterface> find(in_addr destination) const;

private:
    struct Entry
    {
        LocalInterface local;
        in_addr_t mask = 0;
    };

    std::vector<Entry> m_entries;
};

} // namespace mac
