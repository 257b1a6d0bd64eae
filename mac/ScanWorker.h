#pragma once

#include "mac/ScanBatch.h"
#include "mac/SlotTable.h"

#include <chrono>
#include <memory>
#include <string>

namespace mac {

// Starts the detached worker (64 KiB stack) that resolves the address text
// prefix + hostNumber and publishes the answer in slot hostNumber of table.
// The worker keeps table alive until it has finished, so it only ever
// writes into the table it was started for; it holds batch, shared with the
// other workers of its call, until after it has counted itself out. Counts
// itself in the table's pending workers; false (and not counted) when no
// thread could be started.
bool startScanWorker(std::shared_ptr<SlotTable> table, std::shared_ptr<ScanBatch> batch,
                     const std::string &prefix, int hostNumber, std::chrono::milliseconds timeout);

} // namespace mac
