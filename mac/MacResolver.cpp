#include "mac/MacResolver.h"

#include "mac/NeighbourTableResolver.h"
#include "mac/RawArpResolver.h"

namespace mac {

Resolution resolveMac(ScanBatch &batch, in_addr destination, std::chrono::milliseconds timeout)
{
    Resolution result;
    const std::optional<LocalInterface> local = batch.interfaces.find(destination);
    if (!local)
        return result;

    if (local->isDestination) {
        result.path = ResolutionPath::OwnAddress;
        result.resolved = local->hasHardware;
        result.mac = local->hardware;
        return result;
    }

    result.path = ResolutionPath::RawArp;
    const RawArpOutcome raw =
        resolveWithRawArp(batch.listeners, *local, destination, timeout, result.mac, &result.further);
    if (raw == RawArpOutcome::Unavailable && batch.helper) {
        result.path = ResolutionPath::Helper;
        result.resolved = batch.helper->resolve(*local, destination, timeout, result.mac, &result.further) ==
                          RawArpOutcome::Resolved;
    } else if (raw == RawArpOutcome::Unavailable) {
        result.path = ResolutionPath::NeighbourTable;
        result.resolved = resolveWithNeighbourTable(*local, destination, timeout, result.mac);
    } else {
        result.resolved = raw == RawArpOutcome::Resolved;
    }
    return result;
}

const char *pathName(ResolutionPath path)
{
    switch (path) {
    case ResolutionPath::NotOnLink:
        return "off-link";
    case ResolutionPath::OwnAddress:
        return "own";
    case ResolutionPath::RawArp:
        return "raw";
    case ResolutionPath::Helper:
        return "helper";
    case ResolutionPath::NeighbourTable:
        return "kernel";
    }
    return "?";
}

} // namespace mac
