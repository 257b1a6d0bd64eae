#include "AnalysisOptionsStore.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "RecordStore.h"
#include "RecordStoreSession.h"

namespace {

qint16 flag(bool on)
{
    return on ? 1 : 0;
}

} // namespace

bool AnalysisOptionsStore::fail(const QString &what, const QString &detail)
{
    m_lastError = QStringLiteral("%1\r\n%2").arg(what, detail);
    return false;
}

bool AnalysisOptionsStore::LoadAnalysisOptions(AnalysisOptions *options)
{
    m_lastError.clear();
    RecordStoreSession connection(m_store);
    if (!connection.isOpen()) {
        m_lastError = m_store.lastError();
        return false;
    }
    QSqlQuery query(connection.db());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral(
            "SELECT check1, check2, check3, check4, check5, mins FROM T_set ORDER BY rowid LIMIT 1")))
        return fail(QStringLiteral("The analysis options cannot be read."), query.lastError().text());
    AnalysisOptions read;
    if (query.next()) {
        const auto ticked = [&query](int position) { return query.value(position).toInt() == 1; };
        read.displayNonResponded = ticked(0);
        read.analyzeMac = ticked(1);
        read.analyzeIp = ticked(2);
        read.autoScan = ticked(3);
        read.clearBeforeAnalysis = ticked(4);
        bool ok = false;
        const int minutes = query.value(5).toInt(&ok);
        read.mins = ok && AnalysisOptions::isOfferedMinutes(minutes) ? minutes : AnalysisOptions::DefaultMinutes;
    } else if (query.lastError().isValid()) {
        return fail(QStringLiteral("The analysis options cannot be read."), query.lastError().text());
    }
    *options = read;
    return true;
}

bool AnalysisOptionsStore::SaveAnalysisOptions(const AnalysisOptions &options)
{
    m_lastError.clear();
    if (!AnalysisOptions::isOfferedMinutes(options.mins))
        return fail(QStringLiteral("The analysis options cannot be saved."),
                    QStringLiteral("%1 is not one of the offered minute values.").arg(options.mins));
    RecordStoreSession connection(m_store);
    if (!connection.isOpen()) {
        m_lastError = m_store.lastError();
        return false;
    }
    QSqlDatabase &db = connection.db();
    if (!db.transaction())
        return fail(QStringLiteral("The analysis options cannot be saved."), db.lastError().text());
    QString error;
    {
        QSqlQuery query(db);
        // Update the first row; insert one when there is none.
        query.prepare(QStringLiteral("UPDATE T_set SET check1 = ?, check2 = ?, check3 = ?, check4 = ?, "
                                     "check5 = ?, mins = ? WHERE rowid = (SELECT MIN(rowid) FROM T_set)"));
        const auto bindAll = [&] {
            query.addBindValue(flag(options.displayNonResponded));
            query.addBindValue(flag(options.analyzeMac));
            query.addBindValue(flag(options.analyzeIp));
            query.addBindValue(flag(options.autoScan));
            query.addBindValue(flag(options.clearBeforeAnalysis));
            query.addBindValue(qint16(options.mins));
        };
        bindAll();
        bool ok = query.exec();
        if (ok && query.numRowsAffected() < 1) {
            query.prepare(QStringLiteral(
                "INSERT INTO T_set (check1, check2, check3, check4, check5, mins) VALUES (?, ?, ?, ?, ?, ?)"));
            bindAll();
            ok = query.exec();
        }
        if (!ok)
            error = query.lastError().text();
    }
    if (error.isEmpty() && !db.commit())
        error = db.lastError().text();
    if (!error.isEmpty()) {
        db.rollback();
        return fail(QStringLiteral("The analysis options cannot be saved."), error);
    }
    return true;
}
