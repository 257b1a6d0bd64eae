#pragma once

#include "scan/HostSource.h"

// The host source of the range's method, owned by the caller.
HostSource *createHostSource(const ScanRange &range, const HostSource::Pacing &pacing);
