#include "scan/VendorFileIndex.h"

#include "scan/LegacyText.h"

namespace {

QByteArrayView keyOf(QByteArrayView line)
{
    // A line too short for a key is no record; key + line end, or key +
    // separator + line end, is a record with an empty name.
    return line.size() >= VendorFileIndex::KeyLength ? line.first(VendorFileIndex::KeyLength)
                                                     : QByteArrayView();
}

QByteArray withoutByteOrderMark(QByteArray bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    return bytes;
}

} // namespace

VendorFileIndex::VendorFileIndex(QByteArray fileBytes)
    : m_records(withoutByteOrderMark(std::move(fileBytes)), keyOf)
{
}

QString VendorFileIndex::vendorOf(QByteArrayView key) const
{
    if (key.size() != KeyLength)
        return {};
    const std::optional<QByteArrayView> line = m_records.lineOf(key);
    if (!line || line->size() <= KeyLength + 1)
        return {};
    return decodeLegacyText(line->sliced(KeyLength + 1));
}
