#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include "scan/KeyedLines.h"

// The records of one vendor data file (wkcj.dll), keyed by their eight-byte
// key. A record is a line: the key, one separator byte, the vendor name; lines
// end with CR, LF or both, the last line may end with the file. Keys count only
// at the start of a line, never inside another record's name. When a key
// occurs twice, the first record wins, as a search from the file's start would
// find it. Names are decoded when asked for. Immutable after construction, so it may be read from any thread.
class VendorFileIndex
{
public:
    static constexpr qsizetype KeyLength = 8;

    VendorFileIndex() = default;
    explicit VendorFileIndex(QByteArray fileBytes);

    // The vendor name of key (case-sensitive), or empty text.
    QString vendorOf(QByteArrayView key) const;
    qsizetype size() const { return m_records.size(); }

private:
    KeyedLines m_records;
};
