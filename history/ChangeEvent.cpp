#include "history/ChangeEvent.h"

#include "history/HistoryTime.h"
#include "history/MacText.h"

namespace {

struct KindName
{
    ChangeEvent::Kind kind;
    const char *word;
};

const KindName KindNames[] = {
    {ChangeEvent::Kind::NewStation, "new-station"},
    {ChangeEvent::Kind::MacChanged, "mac-changed"},
    {ChangeEvent::Kind::Returned, "returned"},
    {ChangeEvent::Kind::NbstatMacMismatch, "nbstat-mac-mismatch"},
    {ChangeEvent::Kind::RandomisedMac, "randomised-mac"},
    {ChangeEvent::Kind::IpConflict, "ip-conflict"},
    {ChangeEvent::Kind::FlipFlop, "flip-flop"},
};

// "[a] and [b]", "[a], [b] and [c]".
QString macList(const QStringList &macs)
{
    QStringList shown;
    for (const QString &mac : macs)
        shown.append(QLatin1Char('[') + MacText::shown(mac) + QLatin1Char(']'));
    const QString last = shown.isEmpty() ? QString() : shown.takeLast();
    return shown.isEmpty() ? last : shown.join(QLatin1String(", ")) + QLatin1String(" and ") + last;
}

} // namespace

const QList<ChangeEvent::Kind> &ChangeEvent::allKinds()
{
    static const QList<Kind> kinds = [] {
        QList<Kind> all;
        for (const KindName &name : KindNames)
            all.append(name.kind);
        return all;
    }();
    return kinds;
}

QString ChangeEvent::kindWord(Kind kind)
{
    for (const KindName &name : KindNames) {
        if (name.kind == kind)
            return QLatin1String(name.word);
    }
    return {};
}

std::optional<ChangeEvent::Kind> ChangeEvent::kindFromWord(const QString &word)
{
    for (const KindName &name : KindNames) {
        if (word == QLatin1String(name.word))
            return name.kind;
    }
    return std::nullopt;
}

QString ChangeEvent::text() const
{
    const QString mac = QLatin1Char('[') + MacText::shown(macAddress) + QLatin1Char(']');
    const QString other = QLatin1Char('[') + MacText::shown(otherMac) + QLatin1Char(']');
    const QString when = HistoryTime::text(otherTime);
    switch (kind) {
    case Kind::NewStation:
        return QStringLiteral("New station %1 at %2").arg(mac, ipAddress);
    case Kind::MacChanged:
        return QStringLiteral("%1 answered from %2; before from %3, last seen %4")
            .arg(ipAddress, mac, other, when);
    case Kind::Returned:
        return QStringLiteral("%1 at %2 seen again; last seen %3").arg(mac, ipAddress, when);
    case Kind::NbstatMacMismatch:
        return QStringLiteral("%1: the NetBIOS reply names %2, the neighbour table holds %3")
            .arg(ipAddress, mac, other);
    case Kind::RandomisedMac:
        return QStringLiteral("%1 at %2 is a locally administered (randomised) MAC").arg(mac, ipAddress);
    case Kind::IpConflict:
        return QStringLiteral("IP %1 is answered by MACs %2")
            .arg(ipAddress, macList(macs.isEmpty() ? QStringList{macAddress, otherMac} : macs));
    case Kind::FlipFlop:
        return QStringLiteral("%1 went back from %2 to %3").arg(ipAddress, other, mac);
    }
    return {};
}
