#include "ScanRange.h"

#include <algorithm>

namespace {

const char *endName(int box)
{
    return box < 4 ? "From" : "To";
}

// One octet box: digits only, 0..255. The boxes of the window cannot hold
// anything else, but the command line and a box left empty can.
std::optional<quint32> octet(const QString &text, int box, QString *error)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        *error = QStringLiteral("Please enter all four numbers of the \"%1\" address.").arg(QLatin1String(endName(box)));
        return std::nullopt;
    }
    bool ok = false;
    const uint value = t.toUInt(&ok, 10);
    const bool digitsOnly = std::all_of(t.begin(), t.end(), [](QChar c) { return c.isDigit(); });
    if (!ok || !digitsOnly || value > 255) {
        *error = QStringLiteral("\"%1\" is not a number from 0 to 255. Please correct the \"%2\" address.")
                     .arg(t, QLatin1String(endName(box)));
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<ScanRange> ScanRange::fromBoxes(const QStringList &boxes, ScanMethod method, QString *error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    if (boxes.size() != 8) {
        *error = QStringLiteral("Please enter the \"From\" and \"To\" addresses of the scan range.");
        return std::nullopt;
    }
    quint32 ends[2] = {0, 0};
    for (int box = 0; box < 8; ++box) {
        const auto value = octet(boxes.at(box), box, error);
        if (!value)
            return std::nullopt;
        ends[box / 4] = (ends[box / 4] << 8) | *value;
    }

    ScanRange range;
    range.m_method = method;
    range.m_backwards = ends[0] > ends[1];
    range.m_first = qMin(ends[0], ends[1]);
    range.m_last = qMax(ends[0], ends[1]);

    if (method == ScanMethod::Arp && (ends[0] >> 8) != (ends[1] >> 8)) {
        *error = QStringLiteral("An ARP scan covers one network of 256 addresses: the first three numbers of "
                                "\"From\" (%1) and \"To\" (%2) must be the same. Use the UDP scan for a larger "
                                "range.")
                     .arg(dotted(ends[0]), dotted(ends[1]));
        return std::nullopt;
    }
    if (method == ScanMethod::Udp && quint64(range.m_last) - range.m_first + 1 > MaxUdpAddresses) {
        *error = QStringLiteral("The range from %1 to %2 holds %3 addresses; a UDP scan covers at most %4.")
                     .arg(dotted(range.m_first), dotted(range.m_last))
                     .arg(quint64(range.m_last) - range.m_first + 1)
                     .arg(MaxUdpAddresses);
        return std::nullopt;
    }
    return range;
}

std::optional<ScanRange> ScanRange::fromAddresses(const QString &from, const QString &to, ScanMethod method,
                                                  QString *error)
{
    QStringList boxes;
    for (const QString *address : {&from, &to}) {
        QStringList parts = address->trimmed().split(QLatin1Char('.'));
        if (parts.size() != 4) {
            if (error) {
                *error = QStringLiteral("\"%1\" is not an IPv4 address such as 198.18.7.1. Please correct the "
                                        "\"%2\" address.")
                             .arg(address->trimmed(), QLatin1String(address == &from ? "From" : "To"));
            }
            return std::nullopt;
        }
        boxes += parts;
    }
    return fromBoxes(boxes, method, error);
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
