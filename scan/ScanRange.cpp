#include "scan/ScanRange.h"

#include <algorithm>

namespace {

const char *endName(int box)
{
    return box < 4 ? "From" : "To";
}

// One octet box: digits only, 0..255. The boxes of the window cannot hold
// anything else, but the command line and a box left empty can.
Result<quint32> octet(const QString &text, int box)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        return Failure{QStringLiteral("Please enter all four numbers of the \"%1\" address.")
                           .arg(QLatin1String(endName(box)))};
    }
    bool ok = false;
    const uint value = t.toUInt(&ok, 10);
    const bool digitsOnly = std::all_of(t.begin(), t.end(), [](QChar c) { return c.isDigit(); });
    if (!ok || !digitsOnly || value > 255) {
        return Failure{
            QStringLiteral("\"%1\" is not a number from 0 to 255. Please correct the \"%2\" address.")
                .arg(t, QLatin1String(endName(box)))};
    }
    return quint32(value);
}

} // namespace

Result<ScanRange> ScanRange::fromBoxes(const QStringList &boxes, ScanMethod method, ArpReach reach)
{
    if (boxes.size() != 8)
        return Failure{QStringLiteral("Please enter the \"From\" and \"To\" addresses of the scan range.")};
    quint32 ends[2] = {0, 0};
    for (int box = 0; box < 8; ++box) {
        const Result<quint32> value = octet(boxes.at(box), box);
        if (!value)
            return Failure{value.error()};
        ends[box / 4] = (ends[box / 4] << 8) | *value;
    }

    ScanRange range;
    range.m_method = method;
    range.m_backwards = ends[0] > ends[1];
    range.m_reach = reach;
    range.m_first = qMin(ends[0], ends[1]);
    range.m_last = qMax(ends[0], ends[1]);

    if (method == ScanMethod::Arp && reach == ArpReach::SeveralNetworks &&
        range.networkCount() > MaxArpNetworks) {
        return Failure{
            QStringLiteral(
                "The range from %1 to %2 touches %3 networks of 256 addresses; an ARP scan covers at "
                "most %4 (a /16). Use the UDP scan for a larger range.")
                .arg(dotted(range.m_first), dotted(range.m_last))
                .arg(range.networkCount())
                .arg(MaxArpNetworks)};
    }
    if (method == ScanMethod::Arp && reach == ArpReach::OneNetwork && (ends[0] >> 8) != (ends[1] >> 8)) {
        return Failure{QStringLiteral(
                           "An ARP scan covers one network of 256 addresses: the first three numbers of "
                           "\"From\" (%1) and \"To\" (%2) must be the same. Use the UDP scan for a larger "
                           "range.")
                           .arg(dotted(ends[0]), dotted(ends[1]))};
    }
    if (method == ScanMethod::Udp && quint64(range.m_last) - range.m_first + 1 > MaxUdpAddresses) {
        return Failure{
            QStringLiteral("The range from %1 to %2 holds %3 addresses; a UDP scan covers at most %4.")
                .arg(dotted(range.m_first), dotted(range.m_last))
                .arg(quint64(range.m_last) - range.m_first + 1)
                .arg(MaxUdpAddresses)};
    }
    return range;
}

Result<ScanRange> ScanRange::fromAddresses(const QString &from, const QString &to, ScanMethod method,
                                           ArpReach reach)
{
    QStringList boxes;
    for (const QString *address : {&from, &to}) {
        QStringList parts = address->trimmed().split(QLatin1Char('.'));
        if (parts.size() != 4) {
            return Failure{QStringLiteral("\"%1\" is not an IPv4 address such as 198.18.7.1. Please correct "
                                          "the \"%2\" address.")
                               .arg(address->trimmed(), QLatin1String(address == &from ? "From" : "To"))};
        }
        boxes += parts;
    }
    return fromBoxes(boxes, method, reach);
}

Result<ScanRange> ScanRange::fromPrefix(const QString &prefix, ScanMethod method, ArpReach reach)
{
    const QString text = prefix.trimmed();
    const QStringList parts = text.split(QLatin1Char('/'));
    const QStringList octets = parts.first().split(QLatin1Char('.'));
    bool lengthOk = false;
    const uint length = parts.size() == 2 ? parts.at(1).toUInt(&lengthOk, 10) : 0;
    const bool digitsOnly =
        parts.size() == 2 && !parts.at(1).isEmpty() &&
        std::all_of(parts.at(1).begin(), parts.at(1).end(), [](QChar c) { return c.isDigit(); });
    quint32 address = 0;
    bool addressOk = octets.size() == 4;
    for (const QString &octetText : octets) {
        const Result<quint32> value = octet(octetText, 0);
        addressOk = addressOk && value.ok();
        address = (address << 8) | (value ? *value : 0);
    }
    if (!lengthOk || !digitsOnly || length > 32 || !addressOk) {
        return Failure{QStringLiteral("\"%1\" is not a network such as 198.18.7.0/24 (an IPv4 address, \"/\" "
                                      "and a prefix length from 0 to 32).")
                           .arg(text)};
    }
    const quint32 mask = length == 0 ? 0 : ~quint32(0) << (32 - length);
    const quint32 network = address & mask;
    const quint32 broadcast = network | ~mask;
    const bool hasNetworkAndBroadcast = length <= 30;
    const quint32 first = hasNetworkAndBroadcast ? network + 1 : network;
    const quint32 last = hasNetworkAndBroadcast ? broadcast - 1 : broadcast;
    return fromAddresses(dotted(first), dotted(last), method, reach);
}

QString ScanRange::networkPrefix() const
{
    const QString text = dotted(m_first);
    return text.left(text.lastIndexOf(QLatin1Char('.')) + 1);
}

QString ScanRange::addressText(quint32 index) const
{
    return dotted(m_first + index);
}

QString ScanRange::dotted(quint32 address)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF);
}
