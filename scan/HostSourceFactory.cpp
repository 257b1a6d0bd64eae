#include "scan/HostSourceFactory.h"

#include "scan/ArpBatchHostSource.h"
#include "scan/ArpBlocksHostSource.h"
#include "scan/ArpHostSource.h"
#include "scan/ArpSweep.h"
#include "scan/UdpHostSource.h"

namespace {

// The fast pacing sweeps an on-link range as one batch where ARP requests
// of our own can be sent (CAP_NET_RAW here or in the helper); anything else
// goes through the resolver library, as the default pacing always does.
HostSource *createArpSource(const ScanRange &range, const HostSource::Pacing &pacing)
{
    if (pacing.isFast()) {
        OnLinkNetworks networks = OnLinkNetworks::ofThisHost();
        if (ArpBatchHostSource::covers(networks, range)) {
            if (std::unique_ptr<ArpSweep> sweep = ArpSweep::open())
                return new ArpBatchHostSource(range, pacing, std::move(sweep), std::move(networks));
        }
    }
    if (range.networkCount() > 1)
        return new ArpBlocksHostSource(range, pacing);
    return new ArpHostSource(range, pacing);
}

} // namespace

HostSource *createHostSource(const ScanRange &range, const HostSource::Pacing &pacing)
{
    switch (range.method()) {
    case ScanMethod::Arp:
        return createArpSource(range, pacing);
    case ScanMethod::Udp:
        break;
    }
    return new UdpHostSource(range, pacing);
}
