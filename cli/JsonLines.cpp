#include "cli/JsonLines.h"

#include "analysis/FindingText.h"
#include "history/ChangeEvent.h"
#include "history/HistoryEntry.h"
#include "history/HistoryTime.h"
#include "history/MacText.h"
#include "lists/ScanRow.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace JsonLines {

QJsonObject scanRow(const ScanRow &row, const QDateTime &time)
{
    QJsonObject object{{QStringLiteral("kind"), QStringLiteral("host")},
                       {QStringLiteral("time"), HistoryTime::text(time)},
                       {QStringLiteral("ip"), row.ipAddress},
                       {QStringLiteral("mac"), row.macAddress},
                       {QStringLiteral("hostName"), row.hostName},
                       {QStringLiteral("workgroup"), row.workgroup},
                       {QStringLiteral("vendor"), row.vendor}};
    if (row.isMarker())
        object.insert(QStringLiteral("responded"), false);
    else
        object.insert(QStringLiteral("number"), row.number.toInt());
    return object;
}

QJsonObject finding(const QString &text, const QDateTime &time, bool acknowledged, const QString &site)
{
    const std::optional<FindingText::Fields> fields = FindingText::parse(text);
    const QString ip = fields ? fields->ipAddress : QString();
    const QString mac = fields ? fields->macAddress : QString();
    QJsonObject object{{QStringLiteral("kind"), fields ? fields->kind : QStringLiteral("finding")},
                       {QStringLiteral("time"), HistoryTime::text(time)},
                       {QStringLiteral("ip"), ip},
                       {QStringLiteral("mac"), mac},
                       {QStringLiteral("randomised"), MacText::isLocallyAdministered(mac)},
                       {QStringLiteral("acknowledged"), acknowledged},
                       {QStringLiteral("site"), site},
                       {QStringLiteral("text"), text}};
    // What the record holds, so that a script never parses the sentence for it.
    if (fields && fields->kind == QLatin1String(FindingText::IpOtherMac))
        object.insert(QStringLiteral("recorded_mac"), fields->recorded);
    else if (fields && fields->kind == QLatin1String(FindingText::MacOtherIp))
        object.insert(QStringLiteral("recorded_ip"), fields->recorded);
    else if (fields && fields->kind == QLatin1String(FindingText::IpConflict))
        object.insert(QStringLiteral("macs"), QJsonArray::fromStringList(fields->macs));
    return object;
}

QJsonObject historyEntry(const HistoryEntry &entry)
{
    return {{QStringLiteral("kind"), QStringLiteral("history")},
            {QStringLiteral("ip"), entry.ipAddress},
            {QStringLiteral("mac"), entry.macAddress},
            {QStringLiteral("randomised"), MacText::isLocallyAdministered(entry.macAddress)},
            {QStringLiteral("firstSeen"), HistoryTime::text(entry.firstSeen)},
            {QStringLiteral("lastSeen"), HistoryTime::text(entry.lastSeen)},
            {QStringLiteral("scans"), entry.scanCount},
            {QStringLiteral("hostName"), entry.hostName},
            {QStringLiteral("workgroup"), entry.workgroup},
            {QStringLiteral("vendor"), entry.vendor},
            {QStringLiteral("site"), entry.site}};
}

QJsonObject changeEvent(const ChangeEvent &event)
{
    QJsonObject object{{QStringLiteral("kind"), ChangeEvent::kindWord(event.kind)},
                       {QStringLiteral("time"), HistoryTime::text(event.time)},
                       {QStringLiteral("ip"), event.ipAddress},
                       {QStringLiteral("mac"), event.macAddress},
                       {QStringLiteral("randomised"), MacText::isLocallyAdministered(event.macAddress)},
                       {QStringLiteral("hostName"), event.hostName},
                       {QStringLiteral("site"), event.site},
                       {QStringLiteral("text"), event.text()}};
    switch (event.kind) {
    case ChangeEvent::Kind::MacChanged:
        object.insert(QStringLiteral("previousMac"), event.otherMac);
        object.insert(QStringLiteral("previousRandomised"), MacText::isLocallyAdministered(event.otherMac));
        object.insert(QStringLiteral("previousLastSeen"), HistoryTime::text(event.otherTime));
        break;
    case ChangeEvent::Kind::Returned:
        object.insert(QStringLiteral("previousLastSeen"), HistoryTime::text(event.otherTime));
        break;
    case ChangeEvent::Kind::NbstatMacMismatch:
        object.insert(QStringLiteral("neighbourMac"), event.otherMac);
        break;
    case ChangeEvent::Kind::IpConflict:
        object.insert(QStringLiteral("macs"),
                      QJsonArray::fromStringList(
                          event.macs.isEmpty() ? QStringList{event.macAddress, event.otherMac} : event.macs));
        break;
    case ChangeEvent::Kind::FlipFlop:
        object.insert(QStringLiteral("previousMac"), event.otherMac);
        break;
    case ChangeEvent::Kind::NewStation:
    case ChangeEvent::Kind::RandomisedMac:
        break;
    }
    return object;
}

void write(std::FILE *out, const QJsonObject &object)
{
    const QByteArray line = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), out);
    std::fflush(out);
}

} // namespace JsonLines
