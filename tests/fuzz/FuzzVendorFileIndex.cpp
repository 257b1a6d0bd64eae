// Any file that stands where the vendor data file is looked for.
#include <cstdint>

#include "VendorFileIndex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const VendorFileIndex index(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    index.vendorOf("00-0A-E4");
    if (size >= 8)
        index.vendorOf(QByteArrayView(reinterpret_cast<const char *>(data), 8));
    return 0;
}
