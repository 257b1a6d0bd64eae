// Any file a user may open as a scan result.
#include <QBuffer>

#include <cstdint>

#include "ScanResultReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    ScanResultReader::read(buffer);
    return 0;
}
