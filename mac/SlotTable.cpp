#include "mac/SlotTable.h"

#include <algorithm>
#include <cstring>

namespace mac {

namespace {

void writeText(unsigned char *field, std::string_view text)
{
    const std::size_t length = std::min(text.size(), SlotTable::macOffset - 1);
    std::memcpy(field, text.data(), length);
    field[length] = 0;
}

} // namespace

void SlotTable::publish(std::size_t n, std::string_view address, std::string_view mac,
                        std::string_view furtherMacs)
{
    if (n >= slotCount)
        return;
    Slot &slot = m_slots[n];
    writeText(slot.bytes, address);
    writeText(slot.bytes + macOffset, mac);
    writeText(reinterpret_cast<unsigned char *>(slot.further), furtherMacs);
    slot.published.store(true, std::memory_order_release);
}

void SlotTable::copySlot(std::size_t n, unsigned char *out) const
{
    if (n < slotCount && m_slots[n].published.load(std::memory_order_acquire))
        std::memcpy(out, m_slots[n].bytes, slotSize);
    else
        std::memset(out, 0, slotSize);
}

std::size_t SlotTable::copyFurtherMacs(std::size_t n, char *out, std::size_t size) const
{
    if (size == 0)
        return 0;
    std::size_t length = 0;
    if (n < slotCount && m_slots[n].published.load(std::memory_order_acquire))
        length = std::min(strnlen(m_slots[n].further, furtherSize), size - 1);
    if (length > 0)
        std::memcpy(out, m_slots[n].further, length);
    out[length] = 0;
    return length;
}

} // namespace mac
