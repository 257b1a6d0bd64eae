// The exported functions: the current table, the settings and the worker starts.
#include "mac/mac.h"

#include "mac/NeighbourBudget.h"
#include "mac/RawArpResolver.h"
#include "mac/ScanBatch.h"
#include "mac/ScanWorker.h"
#include "mac/SlotTable.h"

#include <arpa/inet.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace {

constexpr int defaultPacingMs = 15;
constexpr int maxPacingMs = 15;
constexpr int defaultArpTimeoutMs = 1000;
constexpr int minArpTimeoutMs = 50;
constexpr int maxArpTimeoutMs = 10000;
constexpr std::size_t maxPrefixLength = 255; // an address text longer than a slot half never parses anyway

std::atomic<int> pacingMs{defaultPacingMs};
std::atomic<int> arpTimeoutMs{defaultArpTimeoutMs};

// The table of the latest Therad call. Workers hold their own references, so
// swapping it never pulls a table from under a running worker.
std::mutex currentTableMutex;
std::shared_ptr<mac::SlotTable> currentTable;

std::shared_ptr<mac::SlotTable> latestTable()
{
    const std::lock_guard lock(currentTableMutex);
    return currentTable;
}

void waitForRoom(const mac::InterfaceSnapshot &interfaces, const std::string &address)
{
    in_addr destination{};
    if (inet_pton(AF_INET, address.c_str(), &destination) != 1)
        return;
    const std::optional<mac::LocalInterface> local = interfaces.find(destination);
    if (local && !local->isDestination)
        mac::NeighbourBudget::process().take(
            destination.s_addr, mac::NeighbourBudget::Clock::now() + mac::NeighbourBudget::longestWait);
}

bool isHostNumber(int32_t n)
{
    return n >= 0 && n < static_cast<int32_t>(mac::SlotTable::slotCount);
}

} // namespace

extern "C" {

int32_t Therad(const char *prefix, int32_t from, int32_t to)
{
    if (!prefix || !isHostNumber(from) || !isHostNumber(to))
        return 0;
    try {
        auto table = std::make_shared<mac::SlotTable>();
        auto batch = std::make_shared<mac::ScanBatch>();
        batch->interfaces = mac::InterfaceSnapshot::current();
        {
            const std::lock_guard lock(currentTableMutex);
            currentTable = table;
        }
        const std::string prefixCopy(prefix, strnlen(prefix, maxPrefixLength));
        const std::chrono::milliseconds timeout{arpTimeoutMs.load()};
        // Without raw ARP each worker makes the kernel create a neighbour entry,
        // and the room for those is budgeted (NeighbourBudget). Callers give the
        // workers one time-out from Therad's return, so the wait for room
        // happens here, before a worker starts, and never eats into its time.
        // A helper's requests leave no entry behind either.
        const bool rawHere = mac::rawArpAllowed();
        if (!rawHere)
            batch->helper = mac::HelperLink::current();
        const bool throughKernel = !rawHere && !batch->helper;
        for (int32_t n = from; n <= to; ++n) {
            if (throughKernel)
                waitForRoom(batch->interfaces, prefixCopy + std::to_string(n));
            mac::startScanWorker(table, batch, prefixCopy, n, timeout);
            if (const int pace = pacingMs.load(); pace > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(pace));
        }
    } catch (...) {
        // Out of memory: the hosts not started stay without an answer.
    }
    return 0;
}

void revData(MacArray **table)
{
    if (!table || !*table)
        return;
    const MacArray &array = **table;
    if (array.dimensions != 1 || array.elementSize != MAC_SLOT_SIZE || !array.data)
        return;

    const std::shared_ptr<mac::SlotTable> slots = latestTable();
    auto *elements = static_cast<unsigned char *>(array.data);
    for (uint32_t i = 0; i < array.bounds[0].elementCount; ++i) {
        unsigned char *element = elements + std::size_t{i} * MAC_SLOT_SIZE;
        const int64_t index = int64_t{array.bounds[0].lowerBound} + i;
        if (slots && index >= 0 && index < static_cast<int64_t>(mac::SlotTable::slotCount))
            slots->copySlot(static_cast<std::size_t>(index), element);
        else
            std::memset(element, 0, MAC_SLOT_SIZE);
    }
}

void SetTheradPacing(int32_t milliseconds)
{
    pacingMs.store(std::clamp(milliseconds, 0, maxPacingMs));
}

void SetArpTimeout(int32_t milliseconds)
{
    arpTimeoutMs.store(std::clamp(milliseconds, minArpTimeoutMs, maxArpTimeoutMs));
}

int32_t PendingWorkers(void)
{
    const std::shared_ptr<mac::SlotTable> slots = latestTable();
    return slots ? slots->pendingWorkers() : 0;
}

int32_t revFurtherMacs(int32_t hostNumber, char *out, int32_t size)
{
    if (!out || size <= 0 || !isHostNumber(hostNumber))
        return 0;
    const std::shared_ptr<mac::SlotTable> slots = latestTable();
    if (!slots) {
        out[0] = 0;
        return 0;
    }
    return static_cast<int32_t>(
        slots->copyFurtherMacs(static_cast<std::size_t>(hostNumber), out, static_cast<std::size_t>(size)));
}

} // extern "C"
