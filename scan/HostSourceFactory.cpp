#include "scan/HostSourceFactory.h"

#include "scan/ArpBlocksHostSource.h"
#include "scan/ArpHostSource.h"
#include "scan/UdpHostSource.h"

HostSource *createHostSource(const ScanRange &range, const HostSource::Pacing &pacing)
{
    switch (range.method()) {
    case ScanMethod::Arp:
        if (range.networkCount() > 1)
            return new ArpBlocksHostSource(range, pacing);
        return new ArpHostSource(range, pacing);
    case ScanMethod::Udp:
        break;
    }
    return new UdpHostSource(range, pacing);
}
