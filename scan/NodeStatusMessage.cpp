#include "scan/NodeStatusMessage.h"

#include <algorithm>

namespace {

constexpr quint8 GroupFlag = 0x80;
constexpr quint8 WorkstationSuffix = 0x00;

// A name of the table as text: cut at a zero byte, blanks trimmed from both
// ends (names are blank-padded to 15 bytes).
QString nameText(QByteArrayView bytes)
{
    const qsizetype zero = bytes.indexOf('\0');
    QByteArrayView name = zero < 0 ? bytes : bytes.first(zero);
    while (!name.isEmpty() && name.front() == ' ')
        name = name.sliced(1);
    while (!name.isEmpty() && name.back() == ' ')
        name.chop(1);
    return QString::fromLatin1(name);
}

} // namespace

bool NodeStatusReply::unitIdIsZero() const
{
    return std::all_of(unitId.begin(), unitId.end(), [](quint8 b) { return b == 0; });
}

QString NodeStatusReply::unitIdText() const
{
    QString text;
    for (std::size_t i = 0; i < unitId.size(); ++i) {
        if (i > 0)
            text += QLatin1Char('-');
        text += QStringLiteral("%1").arg(unitId[i], 2, 16, QLatin1Char('0')).toUpper();
    }
    return text;
}

QByteArray NodeStatusMessage::request()
{
    QByteArray bytes(RequestSize, '\0');
    bytes[5] = 0x01;  // one question
    bytes[12] = 0x20; // encoded name length
    // "*" and fifteen zero bytes, each byte as two letters 'A' + nibble.
    bytes[13] = 'C';
    bytes[14] = 'K';
    for (int i = 15; i < 45; ++i)
        bytes[i] = 'A';
    bytes[47] = 0x21; // NBSTAT
    bytes[49] = 0x01; // IN
    return bytes;
}

NodeStatusReply NodeStatusMessage::parseReply(QByteArrayView datagram, quint32 source, quint16 sourcePort,
                                              quint32 queried)
{
    NodeStatusReply reply;
    if (source != queried || sourcePort != Port)
        return reply;
    const QByteArrayView data = datagram.first(std::min<qsizetype>(datagram.size(), ReceiveSize));
    if (data.size() <= NameCountOffset)
        return reply;
    const int count = quint8(data[NameCountOffset]);
    const qsizetype unitIdAt = NameTableOffset + qsizetype(NameEntrySize) * count;
    if (count == 0 || unitIdAt + UnitIdSize > data.size())
        return reply;

    reply.answered = true;
    for (int i = 0; i < UnitIdSize; ++i)
        reply.unitId[std::size_t(i)] = quint8(data[unitIdAt + i]);
    for (int k = 0; k < std::min(count, 2); ++k) {
        const qsizetype entry = NameTableOffset + qsizetype(NameEntrySize) * k;
        const QString name = nameText(data.sliced(entry, NameLength));
        const quint8 suffix = quint8(data[entry + NameLength]);
        const quint8 flags = quint8(data[entry + NameLength + 1]);
        if (flags & GroupFlag) {
            if (suffix == WorkstationSuffix)
                reply.workgroup = name;
        } else {
            reply.hostName = name;
        }
    }
    // Samba lists the host name with all its suffixes before the workgroup,
    // so the first two names hold none; take the first workgroup name after
    // them, as a name lookup would show it.
    for (int k = 2; k < count && reply.workgroup.isEmpty(); ++k) {
        const qsizetype entry = NameTableOffset + qsizetype(NameEntrySize) * k;
        if (quint8(data[entry + NameLength]) == WorkstationSuffix &&
            (quint8(data[entry + NameLength + 1]) & GroupFlag))
            reply.workgroup = nameText(data.sliced(entry, NameLength));
    }
    return reply;
}
