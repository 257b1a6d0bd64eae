#include "HistoryRecorder.h"

#include "CheckedQuery.h"
#include "MacText.h"
#include "RecordStore.h"
#include "RecordStoreSession.h"
#include "ScanRow.h"

#include <QDir>
#include <QSet>
#include <QSqlQuery>
#include <QVariant>

namespace {

const QString SightingsOfIp =
    QStringLiteral("SELECT MACAddress, LastSeen FROM T_History WHERE IPAddress = ?");
const QString MacKnown = QStringLiteral("SELECT 1 FROM T_History WHERE MACAddress = ? LIMIT 1");
// Names and vendor follow the latest scan that gave them: an ARP scan gives no
// host name and keeps the one a UDP scan found.
const QString Upsert = QStringLiteral(
    "INSERT INTO T_History (IPAddress, MACAddress, FirstSeen, LastSeen, ScanCount, HostName, Workgroup, "
    "Vendor) VALUES (?, ?, ?, ?, 1, ?, ?, ?) "
    "ON CONFLICT (IPAddress, MACAddress) DO UPDATE SET LastSeen = excluded.LastSeen, "
    "ScanCount = T_History.ScanCount + 1, "
    "HostName = COALESCE(NULLIF(excluded.HostName, ''), T_History.HostName), "
    "Workgroup = COALESCE(NULLIF(excluded.Workgroup, ''), T_History.Workgroup), "
    "Vendor = COALESCE(NULLIF(excluded.Vendor, ''), T_History.Vendor)");
const QString InsertEvent = QStringLiteral(
    "INSERT INTO T_Change (EventTime, Kind, IPAddress, MACAddress, OtherMAC, OtherTime, HostName) "
    "VALUES (?, ?, ?, ?, ?, ?, ?) ON CONFLICT DO NOTHING");

// What the history knew of one IP before this scan.
struct IpSightings
{
    QString ownLastSeen;    // of the scanned pair; empty when new
    QString latestMac;      // the MAC of the IP's latest sighting before this scan
    QString latestLastSeen; // empty when the IP is new
};

Result<IpSightings> sightingsOf(QSqlQuery &query, const QString &ip, const QString &mac, const QString &now)
{
    if (const Result<> done = CheckedQuery::execPrepared(query, {ip}); !done)
        return Failure{done.error()};
    IpSightings found;
    for (;;) {
        const Result<bool> row = CheckedQuery::next(query);
        if (!row)
            return Failure{row.error()};
        if (!*row)
            break;
        const QString rowMac = query.value(0).toString();
        const QString lastSeen = query.value(1).toString();
        if (rowMac == mac)
            found.ownLastSeen = lastSeen;
        // A pair this scan has updated already is no earlier sighting.
        if (lastSeen < now && lastSeen > found.latestLastSeen) {
            found.latestLastSeen = lastSeen;
            found.latestMac = rowMac;
        }
    }
    query.finish();
    return found;
}

QVariant textOrNull(const QString &text)
{
    return text.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(text);
}

} // namespace

HistoryRecorder::HistoryRecorder(const RecordStore &store, HistoryTime::Clock clock)
    : m_store(store), m_clock(std::move(clock))
{
}

Result<QList<ChangeEvent>> HistoryRecorder::record(const QList<ScanRow> &rows,
                                                   const QHash<QString, QString> &neighbourMacs) const
{
    const auto fail = [this](const QString &detail) {
        return Failure{QStringLiteral("The host history could not be updated (%1)\r\n%2")
                           .arg(QDir::toNativeSeparators(m_store.databasePath()), detail)};
    };
    RecordStoreSession session(m_store);
    if (!session.isOpen())
        return Failure{session.error()};
    if (const Result<> begun = session.beginWrite(); !begun)
        return fail(begun.error());

    QDateTime now = m_clock().toUTC();
    now.setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
    const QString nowText = HistoryTime::text(now);
    const QString absentBefore = HistoryTime::text(now.addDays(-m_absenceDays));

    QSqlQuery byIp(session.db());
    QSqlQuery macKnown(session.db());
    QSqlQuery upsert(session.db());
    QSqlQuery addEvent(session.db());
    for (auto [query, statement] : {std::pair{&byIp, SightingsOfIp}, std::pair{&macKnown, MacKnown},
                                    std::pair{&upsert, Upsert}, std::pair{&addEvent, InsertEvent}}) {
        if (const Result<> prepared = CheckedQuery::prepare(*query, statement); !prepared)
            return fail(prepared.error());
    }

    QList<ChangeEvent> events;
    QSet<QString> pairsDone;
    QSet<QString> newMacs; // first seen by this scan
    for (const ScanRow &row : rows) {
        const QString ip = row.ipAddress.trimmed();
        if (row.isMarker() || ip.isEmpty() || row.macAddress.trimmed().isEmpty())
            continue;
        const QString mac = MacText::key(row.macAddress);
        const QString pair = ip + QLatin1Char('\n') + mac;
        if (pairsDone.contains(pair))
            continue;
        pairsDone.insert(pair);

        const Result<IpSightings> seen = sightingsOf(byIp, ip, mac, nowText);
        if (!seen)
            return fail(seen.error());
        const auto event = [&](ChangeEvent::Kind kind) -> ChangeEvent & {
            ChangeEvent e;
            e.kind = kind;
            e.time = now;
            e.ipAddress = ip;
            e.macAddress = mac;
            e.hostName = row.hostName;
            events.append(e);
            return events.last();
        };

        if (seen->ownLastSeen.isEmpty()) {
            bool known = newMacs.contains(mac);
            if (!known) {
                if (const Result<> done = CheckedQuery::execPrepared(macKnown, {mac}); !done)
                    return fail(done.error());
                const Result<bool> found = CheckedQuery::next(macKnown);
                if (!found)
                    return fail(found.error());
                known = *found;
                macKnown.finish();
            }
            if (!known) {
                newMacs.insert(mac);
                event(ChangeEvent::Kind::NewStation);
                if (MacText::isLocallyAdministered(mac))
                    event(ChangeEvent::Kind::RandomisedMac);
            }
        } else if (seen->ownLastSeen < absentBefore) {
            event(ChangeEvent::Kind::Returned).otherTime = HistoryTime::fromText(seen->ownLastSeen);
        }
        if (!seen->latestMac.isEmpty() && seen->latestMac != mac) {
            ChangeEvent &changed = event(ChangeEvent::Kind::MacChanged);
            changed.otherMac = seen->latestMac;
            changed.otherTime = HistoryTime::fromText(seen->latestLastSeen);
        }
        const QString neighbour = MacText::key(neighbourMacs.value(row.ipAddress));
        if (!neighbour.isEmpty() && neighbour != mac && MacText::isStationAddress(mac))
            event(ChangeEvent::Kind::NbstatMacMismatch).otherMac = neighbour;

        if (const Result<> done = CheckedQuery::execPrepared(
                upsert, {ip, mac, nowText, nowText, row.hostName, row.workgroup, row.vendor});
            !done)
            return fail(done.error());
    }

    for (const ChangeEvent &e : std::as_const(events)) {
        if (const Result<> done = CheckedQuery::execPrepared(
                addEvent,
                {nowText, ChangeEvent::kindWord(e.kind), e.ipAddress, e.macAddress, textOrNull(e.otherMac),
                 e.otherTime.isValid() ? QVariant(HistoryTime::text(e.otherTime))
                                       : QVariant(QMetaType(QMetaType::QString)),
                 e.hostName});
            !done)
            return fail(done.error());
    }
    if (const Result<> committed = session.commit(); !committed)
        return fail(committed.error());
    return events;
}
