#include "platform/ProcessMemory.h"

#include <malloc.h>

namespace ProcessMemory {

void keepFreedMemoryForReuse()
{
    // Blocks up to 32 MiB (the most the C library allows) come from the
    // heap, not from mappings of their own that each free unmaps; the heap
    // keeps up to 128 MiB free at its top.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
}

} // namespace ProcessMemory
