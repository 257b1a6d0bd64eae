#include "scan/NeighbourTable.h"

#include <QFile>

#include "scan/NodeStatusMessage.h"
#include "scan/ScanRange.h"

namespace {

constexpr uint CompleteFlag = 0x2; // ATF_COM

} // namespace

QString NeighbourTable::macText(quint32 address)
{
    // Not /proc/net/arp: that is the main thread's namespace, and a service
    // whose /proc shows only processes (ProcSubset=pid) has no /proc/net.
    return macTextFrom(QStringLiteral("/proc/thread-self/net/arp"), address);
}

QString NeighbourTable::macTextFrom(const QString &tablePath, quint32 address)
{
    QFile file(tablePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    const QByteArray wanted = ScanRange::dotted(address).toLatin1();
    file.readLine(); // column headers
    while (!file.atEnd()) {
        // IP address, HW type, Flags, HW address, Mask, Device
        const QList<QByteArray> fields = file.readLine().simplified().split(' ');
        if (fields.size() < 4 || fields.at(0) != wanted)
            continue;
        bool ok = false;
        const uint flags = fields.at(2).toUInt(&ok, 16);
        const QByteArray mac = fields.at(3).toUpper();
        if (!ok || !(flags & CompleteFlag) || mac.size() != 17 || mac == "00:00:00:00:00:00")
            continue;
        return QString::fromLatin1(mac).replace(QLatin1Char(':'), QLatin1Char('-'));
    }
    return QString();
}

QString NeighbourTable::shownMac(const NodeStatusReply &reply, quint32 source)
{
    if (!reply.unitIdIsZero())
        return reply.unitIdText();
    const QString neighbour = macText(source);
    return neighbour.isEmpty() ? reply.unitIdText() : neighbour;
}
