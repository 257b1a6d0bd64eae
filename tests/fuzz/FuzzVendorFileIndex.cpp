// Any file that stands where the vendor data file is looked for; and the
// index answers a key as a search from the file's start would.
#include <cstdint>
#include <cstdlib>

#include "scan/LegacyText.h"
#include "scan/VendorFileIndex.h"

namespace {

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

// The first record of the file for key, found the slow way: search the key
// from the start and take the first match that begins a line; its name runs
// from one byte past the key to the line's end.
QString searchFile(QByteArrayView file, QByteArrayView key)
{
    if (file.startsWith("\xEF\xBB\xBF"))
        file = file.sliced(3);
    for (qsizetype at = file.indexOf(key); at >= 0; at = file.indexOf(key, at + 1)) {
        if (at > 0 && !isLineEnd(file[at - 1]))
            continue;
        if (key.contains('\r') || key.contains('\n'))
            return {}; // a record's key never spans a line end
        const qsizetype nameStart = at + VendorFileIndex::KeyLength + 1;
        qsizetype end = at + VendorFileIndex::KeyLength;
        if (end < file.size() && !isLineEnd(file[end])) {
            end = nameStart;
            while (end < file.size() && !isLineEnd(file[end]))
                ++end;
        }
        return nameStart < end ? decodeLegacyText(file.sliced(nameStart, end - nameStart)) : QString();
    }
    return {};
}

void check(const VendorFileIndex &index, QByteArrayView file, QByteArrayView key)
{
    if (index.vendorOf(key) != searchFile(file, key))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView file(reinterpret_cast<const char *>(data), qsizetype(size));
    const VendorFileIndex index(file.toByteArray());
    check(index, file, "00-0A-E4");
    // The keys at the first line starts, and keys that start inside records.
    int checked = 0;
    for (qsizetype at = 0; at + VendorFileIndex::KeyLength <= file.size() && checked < 64; ++at) {
        if (at == 0 || isLineEnd(file[at - 1]) || at % 7 == 3) {
            check(index, file, file.sliced(at, VendorFileIndex::KeyLength));
            ++checked;
        }
    }
    return 0;
}
