#include "scan/VendorFileIndex.h"

#include "scan/LegacyText.h"

namespace {

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

} // namespace

VendorFileIndex::VendorFileIndex(QByteArrayView fileBytes)
{
    QByteArrayView bytes = fileBytes;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);

    const qsizetype size = bytes.size();
    qsizetype pos = 0;
    while (pos < size) {
        qsizetype end = pos;
        while (end < size && !isLineEnd(bytes[end]))
            ++end;
        // A line too short for a key is no record; key + line end, or key +
        // separator + line end, is a record with an empty name.
        if (end - pos >= KeyLength) {
            const QByteArray key = bytes.sliced(pos, KeyLength).toByteArray();
            if (!m_vendors.contains(key)) {
                const qsizetype nameStart = pos + KeyLength + 1;
                m_vendors.insert(key, nameStart < end
                                          ? decodeLegacyText(bytes.sliced(nameStart, end - nameStart))
                                          : QString());
            }
        }
        pos = end + 1;
    }
}

QString VendorFileIndex::vendorOf(QByteArrayView key) const
{
    if (key.size() != KeyLength)
        return {};
    return m_vendors.value(key.toByteArray());
}
