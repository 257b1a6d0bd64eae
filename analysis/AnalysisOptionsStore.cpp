#include "analysis/AnalysisOptionsStore.h"

#include <QSqlQuery>
#include <QVariant>

#include "records/CheckedQuery.h"
#include "records/RecordStore.h"
#include "records/RecordStoreSession.h"
#include "records/SqlEngine.h"

namespace {

const QString CannotRead = QStringLiteral("The analysis options cannot be read.");
const QString CannotSave = QStringLiteral("The analysis options cannot be saved.");

Failure fail(const QString &what, const QString &detail)
{
    return Failure{QStringLiteral("%1\r\n%2").arg(what, detail)};
}

qint16 flag(bool on)
{
    return on ? 1 : 0;
}

} // namespace

Result<AnalysisOptions> AnalysisOptionsStore::LoadAnalysisOptions() const
{
    RecordStoreSession connection(m_store);
    if (!connection.isOpen())
        return Failure{connection.error()};
    QSqlQuery query(connection.db());
    query.setForwardOnly(true);
    // A server has no rowid; ctid is where its row lies, the first one too.
    const QString statement =
        QStringLiteral(
            "SELECT check1, check2, check3, check4, check5, mins, listen FROM T_set ORDER BY %1 LIMIT 1")
            .arg(QLatin1String(SqlEngine::isPostgres(connection.db()) ? "ctid" : "rowid"));
    if (const Result<> done = CheckedQuery::exec(query, statement); !done)
        return fail(CannotRead, done.error());
    const Result<bool> row = CheckedQuery::next(query);
    if (!row)
        return fail(CannotRead, row.error());
    AnalysisOptions read;
    if (*row) {
        const auto ticked = [&query](int position) { return query.value(position).toInt() == 1; };
        read.displayNonResponded = ticked(0);
        read.analyzeMac = ticked(1);
        read.analyzeIp = ticked(2);
        read.autoScan = ticked(3);
        read.clearBeforeAnalysis = ticked(4);
        read.listenBetweenScans = ticked(6);
        bool ok = false;
        const int minutes = query.value(5).toInt(&ok);
        read.mins = ok && AnalysisOptions::isOfferedMinutes(minutes) ? minutes
                                                                     : AnalysisOptions::DefaultMinutes;
    }
    return read;
}

Result<> AnalysisOptionsStore::SaveAnalysisOptions(const AnalysisOptions &options) const
{
    if (!AnalysisOptions::isOfferedMinutes(options.mins))
        return fail(CannotSave,
                    QStringLiteral("%1 is not one of the offered minute values.").arg(options.mins));
    RecordStoreSession connection(m_store);
    if (!connection.isOpen())
        return Failure{connection.error()};
    if (const Result<> begun = connection.beginWrite(); !begun)
        return fail(CannotSave, begun.error());
    {
        const QVariantList values = {flag(options.displayNonResponded), flag(options.analyzeMac),
                                     flag(options.analyzeIp),           flag(options.autoScan),
                                     flag(options.clearBeforeAnalysis), qint16(options.mins),
                                     flag(options.listenBetweenScans)};
        QSqlQuery query(connection.db());
        // Update the first row; insert one when there is none.
        const QLatin1String row(SqlEngine::isPostgres(connection.db()) ? "ctid" : "rowid");
        Result<> done =
            CheckedQuery::exec(query,
                               QStringLiteral("UPDATE T_set SET check1 = ?, check2 = ?, check3 = ?, "
                                              "check4 = ?, check5 = ?, mins = ?, listen = ? "
                                              "WHERE %1 = (SELECT MIN(%1) FROM T_set)")
                                   .arg(row),
                               values);
        if (done && query.numRowsAffected() < 1)
            done = CheckedQuery::exec(
                query,
                QStringLiteral("INSERT INTO T_set (check1, check2, check3, check4, check5, mins, listen) "
                               "VALUES (?, ?, ?, ?, ?, ?, ?)"),
                values);
        if (!done)
            return fail(CannotSave, done.error());
    }
    if (const Result<> committed = connection.commit(); !committed)
        return fail(CannotSave, committed.error());
    return {};
}
