#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <string_view>

namespace mac {

// The result table of one Therad call: 256 slots of 512 bytes (address text
// at 0, MAC text at 256, both zero-ended), plus the count of its workers that
// have not finished yet.
//
// Threading: each slot is written once, by its own worker, with publish();
// copySlot() may run at the same time on any thread. A slot's bytes are
// written before its flag is set (release) and read only after the flag is
// seen (acquire), so a copy holds either all zero bytes or both complete texts.
class SlotTable
{
public:
    static constexpr std::size_t slotCount = 256;
    static constexpr std::size_t slotSize = 512;
    static constexpr std::size_t macOffset = 256;
    static constexpr std::size_t furtherSize = 256; // room for the text of 14 MACs

    // Writes both texts into slot n (texts longer than 255 bytes are cut),
    // and the further MACs' text beside them, and publishes it. Only the one
    // worker of host n may call it, at most once.
    void publish(std::size_t n, std::string_view address, std::string_view mac,
                 std::string_view furtherMacs = {});

    // Copies slot n into out (slotSize bytes): its texts once published, else zeros.
    void copySlot(std::size_t n, unsigned char *out) const;
    // Copies the further MACs' text of slot n, zero-ended and cut to size
    // bytes, into out; empty while the slot is unpublished. Its length.
    std::size_t copyFurtherMacs(std::size_t n, char *out, std::size_t size) const;

    void workerStarted() { m_pending.fetch_add(1, std::memory_order_relaxed); }
    void workerFinished() { m_pending.fetch_sub(1, std::memory_order_acq_rel); }
    int pendingWorkers() const { return m_pending.load(std::memory_order_acquire); }

private:
    struct Slot
    {
        std::atomic<bool> published{false};
        unsigned char bytes[slotSize]{};
        char further[furtherSize]{}; // "MAC MAC", zero-ended
    };

    std::array<Slot, slotCount> m_slots{};
    std::atomic<int> m_pending{0};
};

} // namespace mac
