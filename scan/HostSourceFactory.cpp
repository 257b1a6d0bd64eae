#include "HostSourceFactory.h"

#include "ArpHostSource.h"
#include "UdpHostSource.h"

HostSource *createHostSource(const ScanRange &range, const HostSource::Pacing &pacing)
{
    switch (range.method()) {
    case ScanMethod::Arp:
        return new ArpHostSource(range, pacing);
    case ScanMethod::Udp:
        break;
    }
    return new UdpHostSource(range, pacing);
}
