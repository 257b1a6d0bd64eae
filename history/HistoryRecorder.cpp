#include "HistoryRecorder.h"

#include "CheckedQuery.h"
#include "MacText.h"
#include "RecordStore.h"
#include "RecordStoreSession.h"
#include "ScanRow.h"
#include "SqlEngine.h"

#include <QDir>
#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <algorithm>

namespace {

// Statements carry several rows each: the cost of a statement's execution is
// what makes a scan of a /16 slow, not SQLite's work on the rows. Qt's SQLite
// driver looks each bound value's name up along the statement's list, so a
// statement of hundreds of values costs more again; a few dozen rows is the
// measured optimum (bench/HistoryBench.cpp).
constexpr qsizetype RowsPerStatement = 32;
constexpr qsizetype KeysPerStatement = 64;

// Names and vendor follow the latest scan that gave them: an ARP scan gives no
// host name and keeps the one a UDP scan found.
const QLatin1String UpsertHead(
    "INSERT INTO T_History (IPAddress, MACAddress, FirstSeen, LastSeen, ScanCount, HostName, Workgroup, "
    "Vendor) VALUES ");
const QLatin1String UpsertTail(
    " ON CONFLICT (IPAddress, MACAddress) DO UPDATE SET LastSeen = excluded.LastSeen, "
    "ScanCount = T_History.ScanCount + 1, "
    "HostName = COALESCE(NULLIF(excluded.HostName, ''), T_History.HostName), "
    "Workgroup = COALESCE(NULLIF(excluded.Workgroup, ''), T_History.Workgroup), "
    "Vendor = COALESCE(NULLIF(excluded.Vendor, ''), T_History.Vendor)");
const QLatin1String EventHead(
    "INSERT INTO T_Change (EventTime, Kind, IPAddress, MACAddress, OtherMAC, OtherTime, HostName) VALUES ");
const QLatin1String EventTail(" ON CONFLICT DO NOTHING");

// "(?, ?), (?, ?)" for rows of `columns` values.
QString valueRows(qsizetype rows, int columns)
{
    QString one = QStringLiteral("(?");
    for (int c = 1; c < columns; ++c)
        one += QLatin1String(", ?");
    one += QLatin1Char(')');
    QStringList all(rows, one);
    return all.join(QLatin1String(", "));
}

QString inList(qsizetype keys)
{
    return QLatin1Char('(') + QStringList(keys, QStringLiteral("?")).join(QLatin1String(", ")) +
           QLatin1Char(')');
}

// Runs `head + placeholders + tail` over the values in statements of at most
// `perStatement` groups of `columns` values; `take` reads each result row. The
// statement of a full chunk is prepared once.
template <typename Take>
Result<> runChunked(QSqlDatabase &db, const QString &head, const QString &tail, const QVariantList &values,
                    int columns, qsizetype perStatement, bool inForm, Take take)
{
    const auto statementFor = [&](qsizetype count) {
        return head + (inForm ? inList(count) : valueRows(count, columns)) + tail;
    };
    QSqlQuery full(db);
    full.setForwardOnly(true);
    const qsizetype groups = values.size() / columns;
    if (groups >= perStatement) {
        if (const Result<> prepared = CheckedQuery::prepare(full, statementFor(perStatement)); !prepared)
            return prepared;
    }
    QSqlQuery rest(db);
    rest.setForwardOnly(true);
    for (qsizetype first = 0; first < groups; first += perStatement) {
        const qsizetype count = std::min(perStatement, groups - first);
        QSqlQuery &query = count == perStatement ? full : rest;
        if (count < perStatement) {
            if (const Result<> prepared = CheckedQuery::prepare(rest, statementFor(count)); !prepared)
                return prepared;
        }
        if (const Result<> done =
                CheckedQuery::execPrepared(query, values.mid(first * columns, count * columns));
            !done)
            return done;
        for (;;) {
            const Result<bool> row = CheckedQuery::next(query);
            if (!row)
                return Failure{row.error()};
            if (!*row)
                break;
            take(query);
        }
        query.finish();
    }
    return {};
}

// SQLite takes a whole scan in one statement instead: the groups travel as one
// bound JSON text, which json_each() unpacks row by row inside the engine, so
// the driver's costs arise once per statement rather than once per value.
// A null text stays SQL NULL, an empty one stays empty.
void appendJson(QString &json, const QVariant &value)
{
    if (value.metaType().id() == QMetaType::Int) {
        json += QString::number(value.toInt());
        return;
    }
    const QString text = value.toString();
    if (value.isNull() || text.isNull()) {
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
                json += c; // SQLite reads the text as UTF-8 of the same characters
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

// The statements of one kind of batch: `portableHead` plus placeholders plus
// `tail` on any engine; on SQLite `jsonHead` + a SELECT over json_each() +
// `tail`. Columns in `shared` hold one value for all groups (the scan's time):
// SQLite gets them bound once, ahead of the JSON.
struct Batch
{
    QString portableHead;
    QString tail;
    QString jsonHead;
    int columns;
    qsizetype perStatement;
    bool inForm;
    QList<int> shared = {};
};

// Groups of one value as a flat array, wider groups as an array of arrays of
// their columns not shared.
QString jsonGroups(const QVariantList &values, const Batch &batch)
{
    QString json;
    json.reserve(values.size() * 20);
    json += QLatin1Char('[');
    for (qsizetype first = 0; first + batch.columns <= values.size(); first += batch.columns) {
        if (first > 0)
            json += QLatin1Char(',');
        if (batch.inForm) {
            appendJson(json, values.at(first));
            continue;
        }
        json += QLatin1Char('[');
        bool any = false;
        for (int c = 0; c < batch.columns; ++c) {
            if (batch.shared.contains(c))
                continue;
            if (any)
                json += QLatin1Char(',');
            any = true;
            appendJson(json, values.at(first + c));
        }
        json += QLatin1Char(']');
    }
    json += QLatin1Char(']');
    return json;
}

QString jsonStatement(const Batch &batch)
{
    if (batch.inForm)
        return batch.jsonHead + QLatin1String("(SELECT value FROM json_each(?))") + batch.tail;
    QStringList columns;
    int position = 0;
    for (int c = 0; c < batch.columns; ++c) {
        columns.append(batch.shared.contains(c)
                           ? QStringLiteral("?")
                           : QStringLiteral("json_extract(value, '$[%1]')").arg(position++));
    }
    // "WHERE true" keeps SQLite from reading an upsert's ON as a join constraint.
    return batch.jsonHead + QLatin1String(" SELECT ") + columns.join(QLatin1String(", ")) +
           QLatin1String(" FROM json_each(?) WHERE true") + batch.tail;
}

template <typename Take>
Result<> runBatch(QSqlDatabase &db, const Batch &batch, const QVariantList &values, Take take)
{
    if (SqlEngine::isPostgres(db))
        return runChunked(db, batch.portableHead, batch.tail, values, batch.columns, batch.perStatement,
                          batch.inForm, take);
    if (values.isEmpty())
        return {};
    QVariantList bound;
    for (const int c : batch.shared)
        bound.append(values.at(c));
    bound.append(jsonGroups(values, batch));
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (const Result<> done = CheckedQuery::exec(query, jsonStatement(batch), bound); !done)
        return done;
    for (;;) {
        const Result<bool> row = CheckedQuery::next(query);
        if (!row)
            return Failure{row.error()};
        if (!*row)
            break;
        take(query);
    }
    return {};
}

Batch upsertBatch()
{
    return {UpsertHead,
            UpsertTail,
            QStringLiteral("INSERT INTO T_History (IPAddress, MACAddress, FirstSeen, LastSeen, ScanCount, "
                           "HostName, Workgroup, Vendor)"),
            8,
            RowsPerStatement,
            false,
            {2, 3, 4}};
}

Batch eventBatch()
{
    return {
        EventHead,
        EventTail,
        QStringLiteral(
            "INSERT INTO T_Change (EventTime, Kind, IPAddress, MACAddress, OtherMAC, OtherTime, HostName)"),
        7,
        RowsPerStatement,
        false,
        {0}};
}

Batch keyBatch(const QString &select, const QString &column)
{
    const QString head = select + QLatin1String(" WHERE ") + column + QLatin1String(" IN ");
    return {head, QString(), head, 1, KeysPerStatement, true};
}

const auto NoRows = [](const QSqlQuery &) {};

// What the history knew of one IP before this scan.
struct IpSightings
{
    QString ownLastSeen;    // of the scanned pair; empty when new
    QString latestMac;      // the MAC of the IP's latest sighting before this scan
    QString latestLastSeen; // empty when the IP is new
};

struct Pair
{
    const ScanRow *row;
    QString ip;
    QString mac;
    QString key; // "ip\nmac"
};

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
                           .arg(m_store.location(), detail)};
    };

    QDateTime now = m_clock().toUTC();
    now.setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
    const QString nowText = HistoryTime::text(now);
    const QString absentBefore = HistoryTime::text(now.addDays(-m_absenceDays));

    // The scan's pairs, each once, in the order of the list.
    QList<Pair> pairs;
    pairs.reserve(rows.size());
    QSet<QString> pairKeys;
    pairKeys.reserve(rows.size());
    QStringList ips;
    QSet<QString> ipSet;
    ipSet.reserve(rows.size());
    for (const ScanRow &row : rows) {
        const QString ip = row.ipAddress.trimmed();
        if (row.isMarker() || ip.isEmpty() || row.macAddress.trimmed().isEmpty())
            continue;
        const QString mac = MacText::key(row.macAddress);
        QString key = ip + QLatin1Char('\n') + mac;
        const qsizetype knownPairs = pairKeys.size();
        pairKeys.insert(key);
        if (pairKeys.size() == knownPairs)
            continue;
        pairs.append({&row, ip, mac, std::move(key)});
        const qsizetype knownIps = ipSet.size();
        ipSet.insert(ip);
        if (ipSet.size() != knownIps)
            ips.append(ip);
    }

    RecordStoreSession session(m_store);
    if (!session.isOpen())
        return Failure{session.error()};
    if (const Result<> begun = session.beginWrite(); !begun)
        return fail(begun.error());

    // Every earlier sighting of the scanned IPs.
    QHash<QString, IpSightings> byIp;
    QHash<QString, QString> pairLastSeen; // "ip\nmac" -> last seen
    {
        QVariantList keys(ips.cbegin(), ips.cend());
        const Result<> read =
            runBatch(session.db(),
                     keyBatch(QStringLiteral("SELECT IPAddress, MACAddress, LastSeen FROM T_History"),
                              QStringLiteral("IPAddress")),
                     keys, [&](const QSqlQuery &query) {
                         const QString ip = query.value(0).toString();
                         const QString mac = query.value(1).toString();
                         const QString lastSeen = query.value(2).toString();
                         pairLastSeen.insert(ip + QLatin1Char('\n') + mac, lastSeen);
                         IpSightings &seen = byIp[ip];
                         // A scan at the same second is no earlier sighting.
                         if (lastSeen < nowText && lastSeen > seen.latestLastSeen) {
                             seen.latestLastSeen = lastSeen;
                             seen.latestMac = mac;
                         }
                     });
        if (!read)
            return fail(read.error());
    }

    // Which MACs of new pairs the history knows.
    QSet<QString> knownMacs;
    {
        QVariantList candidates;
        QSet<QString> asked;
        for (const Pair &pair : std::as_const(pairs)) {
            if (!pairLastSeen.contains(pair.key) && !asked.contains(pair.mac)) {
                asked.insert(pair.mac);
                candidates.append(pair.mac);
            }
        }
        const Result<> read = runBatch(
            session.db(),
            keyBatch(QStringLiteral("SELECT DISTINCT MACAddress FROM T_History"),
                     QStringLiteral("MACAddress")),
            candidates, [&](const QSqlQuery &query) { knownMacs.insert(query.value(0).toString()); });
        if (!read)
            return fail(read.error());
    }

    QList<ChangeEvent> events;
    QVariantList upserts;
    upserts.reserve(pairs.size() * 8);
    for (const Pair &pair : std::as_const(pairs)) {
        const ScanRow &row = *pair.row;
        const QString ip = pair.ip;
        const QString mac = pair.mac;
        const IpSightings seen = byIp.value(ip);
        const QString ownLastSeen = pairLastSeen.value(pair.key);
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

        if (ownLastSeen.isEmpty()) {
            if (!knownMacs.contains(mac)) {
                knownMacs.insert(mac); // one new station, also when it answers on several IPs
                event(ChangeEvent::Kind::NewStation);
                if (MacText::isLocallyAdministered(mac))
                    event(ChangeEvent::Kind::RandomisedMac);
            }
        } else if (ownLastSeen < absentBefore) {
            event(ChangeEvent::Kind::Returned).otherTime = HistoryTime::fromText(ownLastSeen);
        }
        if (!seen.latestMac.isEmpty() && seen.latestMac != mac) {
            ChangeEvent &changed = event(ChangeEvent::Kind::MacChanged);
            changed.otherMac = seen.latestMac;
            changed.otherTime = HistoryTime::fromText(seen.latestLastSeen);
        }
        const QString neighbour = MacText::key(neighbourMacs.value(row.ipAddress));
        if (!neighbour.isEmpty() && neighbour != mac && MacText::isStationAddress(mac))
            event(ChangeEvent::Kind::NbstatMacMismatch).otherMac = neighbour;

        upserts << ip << mac << nowText << nowText << QVariant(1) << row.hostName << row.workgroup
                << row.vendor;
    }

    if (const Result<> written = runBatch(session.db(), upsertBatch(), upserts, NoRows); !written)
        return fail(written.error());

    QVariantList eventValues;
    eventValues.reserve(events.size() * 7);
    for (const ChangeEvent &e : std::as_const(events)) {
        eventValues << nowText << ChangeEvent::kindWord(e.kind) << e.ipAddress << e.macAddress
                    << textOrNull(e.otherMac)
                    << (e.otherTime.isValid() ? QVariant(HistoryTime::text(e.otherTime))
                                              : QVariant(QMetaType(QMetaType::QString)))
                    << e.hostName;
    }
    if (const Result<> written = runBatch(session.db(), eventBatch(), eventValues, NoRows); !written)
        return fail(written.error());

    if (const Result<> committed = session.commit(); !committed)
        return fail(committed.error());
    return events;
}
