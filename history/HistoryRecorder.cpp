#include "history/HistoryRecorder.h"

#include "history/ChangeRules.h"
#include "lists/ScanRow.h"
#include "records/CheckedQuery.h"
#include "records/RecordStore.h"
#include "records/RecordStoreSession.h"
#include "records/SqlEngine.h"

#include <QSqlQuery>
#include <QSysInfo>
#include <QVariant>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// A whole scan travels to the engine as one bound JSON text, an array of one
// array per row, which the statements unpack row by row inside the engine:
// the driver's costs arise once per statement rather than once per value,
// and no engine limits the number of bound values. `rowsOf` is the FROM item
// over that text: e(n, value), n counting rows from 0.
QString rowsOf(bool postgres)
{
    return postgres ? QStringLiteral("(SELECT n - 1 AS n, value FROM json_array_elements(CAST(? AS json)) "
                                     "WITH ORDINALITY AS a(value, n)) AS e")
                    : QStringLiteral("(SELECT key AS n, value FROM json_each(?)) AS e");
}

// Appends the text as a JSON string, or null for a null text; an empty text
// stays empty.
void appendJson(QString &json, const QString &text)
{
    if (text.isNull()) {
        json += QLatin1String("null");
        return;
    }
    const auto escaped = [](QChar c) { return c.unicode() < 0x20 || c == u'"' || c == u'\\'; };
    json += QLatin1Char('"');
    if (std::none_of(text.cbegin(), text.cend(), escaped)) {
        json += text;
    } else {
        static constexpr char Hex[] = "0123456789abcdef";
        for (const QChar c : text) {
            if (!escaped(c)) {
                json += c; // the engine reads the text as UTF-8 of the same characters
            } else if (c.unicode() < 0x20) {
                json += QLatin1String("\\u00");
                json += QLatin1Char(Hex[c.unicode() >> 4]);
                json += QLatin1Char(Hex[c.unicode() & 15]);
            } else {
                json += QLatin1Char('\\');
                json += c;
            }
        }
    }
    json += QLatin1Char('"');
}

// One row of texts as a JSON array, after a comma unless it is the first.
void appendJsonRow(QString &json, std::initializer_list<QString> texts)
{
    json += json.size() > 1 ? QLatin1String(",[") : QLatin1String("[");
    bool first = true;
    for (const QString &text : texts) {
        if (!first)
            json += QLatin1Char(',');
        first = false;
        appendJson(json, text);
    }
    json += QLatin1Char(']');
}

// What the history of the site knew of a scanned pair that may give an
// event: the pair is new (with whether the site knows its MAC at another IP),
// or long absent, or its IP's latest sighting on the site before this scan
// (the latest LastSeen, then the lowest MAC) has another MAC. A scan at the
// same second is no earlier sighting. The pairs left out were seen lately at
// the same IP and MAC, so a repeated scan reads almost nothing back. The
// pairs are unpacked once into a materialised table, not for every reference
// to them.
// Values: the pairs, the site, now, now, the absence limit.
QString lookupStatement(bool postgres)
{
    return QStringLiteral(
               "WITH s AS MATERIALIZED (SELECT e.n, e.value ->> 0 AS ip, e.value ->> 1 AS mac FROM %1) "
               "SELECT s.n, o.LastSeen, h.MACAddress, h.LastSeen, "
               "CASE WHEN o.LastSeen IS NULL AND EXISTS (SELECT 1 FROM T_History m "
               "WHERE m.MACAddress = s.mac AND m.Site = q.site) THEN 1 ELSE 0 END "
               "FROM s CROSS JOIN (SELECT CAST(? AS TEXT) AS site) q "
               "LEFT JOIN T_History o ON o.IPAddress = s.ip AND o.MACAddress = s.mac AND o.Site = q.site "
               "LEFT JOIN T_History h ON h.IPAddress = s.ip AND h.Site = q.site AND h.MACAddress <> s.mac "
               "AND h.LastSeen < ? "
               "AND NOT EXISTS (SELECT 1 FROM T_History g WHERE g.IPAddress = h.IPAddress AND "
               "g.Site = h.Site AND g.LastSeen < ? AND (g.LastSeen > h.LastSeen OR (g.LastSeen = h.LastSeen AND "
               "g.MACAddress < h.MACAddress))) "
               "WHERE o.LastSeen IS NULL OR o.LastSeen < ? OR h.MACAddress IS NOT NULL")
        .arg(rowsOf(postgres));
}

// Names and vendor follow the latest scan that gave them: an ARP scan gives no
// host name and keeps the one a UDP scan found. A scan kept while the store
// was unavailable may arrive after later ones (from another data folder), so
// the first and last sightings widen rather than follow the scan written
// last. "WHERE true" keeps SQLite from reading the upsert's ON as a join
// constraint.
// A pair heard between scans counts no scan.
// Values: site, now, now, the pairs.
QString upsertStatement(bool postgres, bool scanned = true)
{
    return QStringLiteral(
               "INSERT INTO T_History (Site, IPAddress, MACAddress, FirstSeen, LastSeen, ScanCount, HostName, "
               "Workgroup, Vendor) SELECT ?, e.value ->> 0, e.value ->> 1, ?, ?, %4, e.value ->> 2, "
               "e.value ->> 3, e.value ->> 4 FROM %1 WHERE true "
               "ON CONFLICT (IPAddress, MACAddress, Site) DO UPDATE SET FirstSeen = %2(T_History.FirstSeen, "
               "excluded.FirstSeen), LastSeen = %3(T_History.LastSeen, excluded.LastSeen), "
               "ScanCount = T_History.ScanCount + %4, "
               "HostName = COALESCE(NULLIF(excluded.HostName, ''), T_History.HostName), "
               "Workgroup = COALESCE(NULLIF(excluded.Workgroup, ''), T_History.Workgroup), "
               "Vendor = COALESCE(NULLIF(excluded.Vendor, ''), T_History.Vendor)")
        .arg(rowsOf(postgres), postgres ? QLatin1String("LEAST") : QLatin1String("min"),
             postgres ? QLatin1String("GREATEST") : QLatin1String("max"),
             scanned ? QLatin1String("1") : QLatin1String("0"));
}

// Each event carries its own time: those heard between scans come from the
// frames that showed them.
// Values: site, the events.
QString eventStatement(bool postgres)
{
    return QStringLiteral(
               "INSERT INTO T_Change (Site, EventTime, Kind, IPAddress, MACAddress, OtherMAC, OtherTime, "
               "HostName, MACList) SELECT ?, e.value ->> 7, e.value ->> 0, e.value ->> 1, e.value ->> 2, "
               "e.value ->> 3, e.value ->> 4, e.value ->> 5, e.value ->> 6 FROM %1 WHERE true ON CONFLICT DO NOTHING")
        .arg(rowsOf(postgres));
}

// One scan as the statements bind it.
struct BoundScan
{
    QString site;
    QString now;          // HistoryTime text
    QString absentBefore; // HistoryTime text
    QString pairsJson;    // the pairs as rowsOf unpacks them
    qsizetype pairCount = 0;
};

QString pairsJsonOf(const QList<ChangeRules::Pair> &pairs)
{
    QString json;
    json.reserve(pairs.size() * 64);
    json += QLatin1Char('[');
    for (const ChangeRules::Pair &pair : pairs) {
        if (pair.further) // the row's names and vendor are its first MAC's
            appendJsonRow(json, {pair.ip, pair.mac, QString(), QString(), QString()});
        else
            appendJsonRow(json,
                          {pair.ip, pair.mac, pair.row->hostName, pair.row->workgroup, pair.row->vendor});
    }
    json += QLatin1Char(']');
    return json;
}

QString eventsJsonOf(const QList<ChangeEvent> &events)
{
    QString json;
    json.reserve(events.size() * 80);
    json += QLatin1Char('[');
    for (const ChangeEvent &e : events) {
        appendJsonRow(json, {ChangeEvent::kindWord(e.kind), e.ipAddress, e.macAddress,
                             e.otherMac.isEmpty() ? QString() : e.otherMac,
                             e.otherTime.isValid() ? HistoryTime::text(e.otherTime) : QString(), e.hostName,
                             e.macs.isEmpty() ? QString() : e.macs.join(QLatin1Char(' ')),
                             HistoryTime::text(e.time)});
    }
    json += QLatin1Char(']');
    return json;
}

Result<> beginWrite(RecordStoreSession &session, bool postgres)
{
    // A /16 touches some ten megabytes of history; with SQLite's default
    // cache of two the transaction would spill pages to the file (and sync
    // the journal) many times before its commit.
    if (!postgres) {
        QSqlQuery pragma(session.db());
        if (const Result<> set = CheckedQuery::exec(pragma, QStringLiteral("PRAGMA cache_size = -65536"));
            !set)
            return set;
    }
    return session.beginWrite(RecordStoreSession::Lock::History);
}

// What the site's history knew of each pair, inside the write transaction.
Result<std::vector<ChangeRules::Sighting>> lookUp(RecordStoreSession &session, bool postgres,
                                                  const BoundScan &scan)
{
    // Into an empty history, the store's first scan, every pair is new and
    // no MAC is known: there is nothing to look up.
    bool historyEmpty = true;
    if (const Result<> read = CheckedQuery::eachRow(session.db(),
                                                    QStringLiteral("SELECT 1 FROM T_History LIMIT 1"), {},
                                                    [&](const QSqlQuery &) { historyEmpty = false; });
        !read)
        return Failure{read.error()};
    ChangeRules::Sighting unseen;
    unseen.found = historyEmpty;
    std::vector<ChangeRules::Sighting> sightings(size_t(scan.pairCount), unseen);
    if (scan.pairCount == 0 || historyEmpty)
        return sightings;
    const Result<> read = CheckedQuery::eachRow(
        session.db(), lookupStatement(postgres),
        {scan.pairsJson, scan.site, scan.now, scan.now, scan.absentBefore}, [&](const QSqlQuery &query) {
            const qsizetype n = query.value(0).toLongLong();
            if (n < 0 || n >= scan.pairCount)
                return;
            ChangeRules::Sighting &seen = sightings[size_t(n)];
            seen.found = true;
            seen.ownLastSeen = query.value(1).toString();
            seen.latestMac = query.value(2).toString();
            seen.latestLastSeen = query.value(3).toString();
            seen.macKnown = query.value(4).toInt() != 0;
        });
    if (!read)
        return Failure{read.error()};
    return sightings;
}

Result<> write(RecordStoreSession &session, bool postgres, const BoundScan &scan,
               const QList<ChangeEvent> &events, bool scanned = true)
{
    if (scan.pairCount > 0) {
        QSqlQuery query(session.db());
        if (const Result<> written = CheckedQuery::exec(query, upsertStatement(postgres, scanned),
                                                        {scan.site, scan.now, scan.now, scan.pairsJson});
            !written)
            return written;
    }
    if (events.isEmpty())
        return {};
    QSqlQuery query(session.db());
    return CheckedQuery::exec(query, eventStatement(postgres), {scan.site, eventsJsonOf(events)});
}

// One write of the history: the session, its transaction, the events that
// eventsOf finds inside it (it may read the store first), the pairs and the
// events, the commit. fail turns a step's error into the caller's message.
template <typename EventsOf, typename Fail>
Result<QList<ChangeEvent>> writeInOneTransaction(const RecordStore &store, const BoundScan &scan,
                                                 bool scanned, EventsOf eventsOf, Fail fail)
{
    RecordStoreSession session(store);
    if (!session.isOpen())
        return Failure{session.error()};
    const bool postgres = SqlEngine::isPostgres(session.db());
    if (const Result<> begun = beginWrite(session, postgres); !begun)
        return fail(begun.error());
    const Result<QList<ChangeEvent>> events = eventsOf(session, postgres);
    if (!events)
        return fail(events.error());
    if (const Result<> written = write(session, postgres, scan, *events, scanned); !written)
        return fail(written.error());
    if (const Result<> committed = session.commit(); !committed)
        return fail(committed.error());
    return events;
}

// The history keeps whole seconds.
QDateTime toWholeSeconds(QDateTime time)
{
    time.setTime(QTime(time.time().hour(), time.time().minute(), time.time().second()));
    return time;
}

} // namespace

Failure HistoryRecorder::fail(const QString &detail) const
{
    return Failure{
        QStringLiteral("The host history could not be updated (%1)\r\n%2").arg(m_store.location(), detail)};
}

HistoryRecorder::HistoryRecorder(const RecordStore &store, HistoryTime::Clock clock)
    : m_store(store), m_clock(std::move(clock)), m_site(defaultSite())
{
}

QString HistoryRecorder::defaultSite()
{
    return QSysInfo::machineHostName();
}

QString HistoryRecorder::siteOrDefault(const QString &site)
{
    return site.trimmed().isEmpty() ? defaultSite() : site.trimmed();
}

void HistoryRecorder::setSite(const QString &site)
{
    m_site = siteOrDefault(site);
}

Result<QList<ChangeEvent>> HistoryRecorder::record(const QList<ScanRow> &rows,
                                                   const QHash<QString, QString> &neighbourMacs) const
{
    const QDateTime now = toWholeSeconds(m_clock().toUTC());
    const QList<ChangeRules::Pair> pairs = ChangeRules::pairsOf(rows);
    const BoundScan scan{m_site, HistoryTime::text(now), HistoryTime::text(now.addDays(-m_absenceDays)),
                         pairsJsonOf(pairs), pairs.size()};

    return writeInOneTransaction(
        m_store, scan, true,
        [&](RecordStoreSession &session, bool postgres) -> Result<QList<ChangeEvent>> {
            const Result<std::vector<ChangeRules::Sighting>> sightings = lookUp(session, postgres, scan);
            if (!sightings)
                return Failure{sightings.error()};
            return ChangeRules::events(pairs, *sightings, neighbourMacs, m_site, now, scan.absentBefore);
        },
        [this](const QString &detail) { return fail(detail); });
}

Result<QList<ChangeEvent>> HistoryRecorder::recordHeard(const QList<ScanRow> &rows,
                                                        const QList<ChangeEvent> &events) const
{
    const QDateTime now = toWholeSeconds(m_clock().toUTC());
    const QList<ChangeRules::Pair> pairs = ChangeRules::pairsOf(rows);
    const BoundScan heard{m_site, HistoryTime::text(now), {}, pairsJsonOf(pairs), pairs.size()};
    QList<ChangeEvent> stored = events;
    for (ChangeEvent &event : stored)
        event.site = m_site;

    return writeInOneTransaction(
        m_store, heard, false,
        [&](RecordStoreSession &, bool) -> Result<QList<ChangeEvent>> { return stored; },
        [this](const QString &detail) { return fail(detail); });
}
