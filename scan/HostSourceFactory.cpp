#include "HostSourceFactory.h"

#include "ArpHostSource.h"
#include "UnavailableHostSource.h"

HostSource *createHostSource(const ScanRange &range, const HostSource::Pacing &pacing)
{
    switch (range.method()) {
    case ScanMethod::Arp:
        return new ArpHostSource(range, pacing);
    case ScanMethod::Udp:
        break;
    }
    return new UnavailableHostSource(range, pacing);
}
