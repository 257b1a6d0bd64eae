#include "history/HistoryReader.h"

#include "history/HistoryTime.h"
#include "history/MacText.h"
#include "lists/SortKind.h"
#include "records/CheckedQuery.h"
#include "records/RecordStore.h"
#include "records/RecordStoreSession.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <algorithm>

Result<QList<HistoryEntry>> HistoryReader::entries(const Filter &filter) const
{
    QStringList where;
    QVariantList values;
    if (!filter.site.isEmpty()) {
        where.append(QStringLiteral("Site = ?"));
        values.append(filter.site);
    }
    if (!filter.ipAddress.isEmpty()) {
        where.append(QStringLiteral("IPAddress = ?"));
        values.append(filter.ipAddress.trimmed());
    }
    if (!filter.macAddress.isEmpty()) {
        where.append(QStringLiteral("MACAddress = ?"));
        values.append(MacText::key(filter.macAddress));
    }
    if (filter.since) {
        where.append(QStringLiteral("LastSeen >= ?"));
        values.append(HistoryTime::text(*filter.since));
    }
    QString statement = QStringLiteral(
        "SELECT IPAddress, MACAddress, FirstSeen, LastSeen, ScanCount, HostName, "
        "Workgroup, Vendor, Site FROM T_History");
    if (!where.isEmpty())
        statement += QLatin1String(" WHERE ") + where.join(QLatin1String(" AND "));
    statement += QLatin1String(" ORDER BY IPAddress, MACAddress, Site");

    RecordStoreSession session(m_store);
    if (!session.isOpen())
        return Failure{session.error()};
    QList<HistoryEntry> found;
    const Result<> read =
        CheckedQuery::eachRow(session.db(), statement, values, [&found](const QSqlQuery &query) {
            HistoryEntry entry;
            entry.ipAddress = query.value(0).toString();
            entry.macAddress = query.value(1).toString();
            entry.firstSeen = HistoryTime::fromText(query.value(2).toString());
            entry.lastSeen = HistoryTime::fromText(query.value(3).toString());
            entry.scanCount = query.value(4).toInt();
            entry.hostName = query.value(5).toString();
            entry.workgroup = query.value(6).toString();
            entry.vendor = query.value(7).toString();
            entry.site = query.value(8).toString();
            found.append(entry);
        });
    if (!read)
        return Failure{QStringLiteral("The host history could not be read (%1)\r\n%2")
                           .arg(m_store.location(), read.error())};
    // The database orders addresses as text (.10 before .9); the stable sort
    // keeps its order of MAC and site within one address.
    std::stable_sort(found.begin(), found.end(), [](const HistoryEntry &a, const HistoryEntry &b) {
        return CompareListItems(a.ipAddress, b.ipAddress, SortKind::Address) < 0;
    });
    return found;
}

Result<QList<ChangeEvent>> HistoryReader::changes(const std::optional<QDateTime> &since,
                                                  const QString &site) const
{
    QString statement = QStringLiteral(
        "SELECT EventTime, Kind, IPAddress, MACAddress, OtherMAC, OtherTime, HostName, Site, MACList "
        "FROM T_Change");
    QStringList where;
    QVariantList values;
    if (since) {
        where.append(QStringLiteral("EventTime >= ?"));
        values.append(HistoryTime::text(*since));
    }
    if (!site.isEmpty()) {
        where.append(QStringLiteral("Site = ?"));
        values.append(site);
    }
    if (!where.isEmpty())
        statement += QLatin1String(" WHERE ") + where.join(QLatin1String(" AND "));
    statement += QLatin1String(" ORDER BY EventTime, Site, IPAddress, MACAddress, Kind");

    RecordStoreSession session(m_store);
    if (!session.isOpen())
        return Failure{session.error()};
    QList<ChangeEvent> found;
    const Result<> read =
        CheckedQuery::eachRow(session.db(), statement, values, [&found](const QSqlQuery &query) {
            const std::optional<ChangeEvent::Kind> kind =
                ChangeEvent::kindFromWord(query.value(1).toString());
            if (!kind)
                return; // a kind of a newer version
            ChangeEvent event;
            event.kind = *kind;
            event.time = HistoryTime::fromText(query.value(0).toString());
            event.ipAddress = query.value(2).toString();
            event.macAddress = query.value(3).toString();
            event.otherMac = query.value(4).toString();
            event.otherTime = HistoryTime::fromText(query.value(5).toString());
            event.hostName = query.value(6).toString();
            event.site = query.value(7).toString();
            if (event.kind == ChangeEvent::Kind::IpConflict)
                event.macs = query.value(8).toString().split(QLatin1Char(' '), Qt::SkipEmptyParts);
            found.append(event);
        });
    if (!read)
        return Failure{QStringLiteral("The change events could not be read (%1)\r\n%2")
                           .arg(m_store.location(), read.error())};
    return found;
}

Result<QStringList> HistoryReader::sites() const
{
    RecordStoreSession session(m_store);
    if (!session.isOpen())
        return Failure{session.error()};
    QStringList found;
    const Result<> read = CheckedQuery::eachRow(
        session.db(), QStringLiteral("SELECT Site FROM T_History UNION SELECT Site FROM T_Change ORDER BY 1"),
        {}, [&found](const QSqlQuery &query) { found.append(query.value(0).toString()); });
    if (!read)
        return Failure{QStringLiteral("The sites of the host history could not be read (%1)\r\n%2")
                           .arg(m_store.location(), read.error())};
    return found;
}
