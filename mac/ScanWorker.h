#pragma once

#include "SlotTable.h"

#include <chrono>
#include <memory>
#include <string>

namespace mac {

// Starts the detached worker (1 MiB stack) that resolves the address text
// prefix + hostNumber and publishes the answer in slot hostNumber of table.
// The worker keeps table alive until it has finished, so it only ever
// writes into the table it was started for. Counts itself in the table's
// pending workers; false (and not counted) when no thread could be started.
bool startScanWorker(std::shared_ptr<SlotTable> table, const std::string &prefix, int hostNumber,
                     std::chrono::milliseconds timeout);

} // namespace mac
