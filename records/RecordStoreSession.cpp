#include "records/RecordStoreSession.h"

#include "records/CheckedQuery.h"
#include "records/RecordStore.h"
#include "records/SqlEngine.h"

#include <QSqlQuery>

RecordStoreSession::RecordStoreSession(const RecordStore &store)
{
    Result<QSqlDatabase> opened = store.OpenRecordStore();
    if (opened)
        m_db = *opened;
    else
        m_error = opened.error();
}

RecordStoreSession::~RecordStoreSession()
{
    if (m_writing)
        QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
    RecordStore::CloseRecordStore(m_db);
}

Result<> RecordStoreSession::beginWrite(Lock lock)
{
    QSqlQuery query(m_db);
    if (!SqlEngine::isPostgres(m_db)) {
        const Result<> begun = CheckedQuery::exec(query, QStringLiteral("BEGIN IMMEDIATE"));
        m_writing = begun.ok();
        return begun;
    }
    Result<> begun = CheckedQuery::exec(query, QStringLiteral("BEGIN"));
    m_writing = begun.ok();
    // Readers pass this lock; writers wait for each other as on a file.
    const bool history = lock == Lock::History;
    if (begun)
        begun = CheckedQuery::exec(query, history ? QStringLiteral("SET LOCAL lock_timeout = '60s'")
                                                  : QStringLiteral("SET LOCAL lock_timeout = '2s'"));
    if (begun)
        begun = CheckedQuery::exec(
            query, history ? QStringLiteral("LOCK TABLE T_History IN SHARE ROW EXCLUSIVE MODE")
                           : QStringLiteral("LOCK TABLE T_Record IN SHARE ROW EXCLUSIVE MODE"));
    return begun;
}

Result<> RecordStoreSession::commit()
{
    QSqlQuery query(m_db);
    const Result<> committed = CheckedQuery::exec(query, QStringLiteral("COMMIT"));
    if (committed)
        m_writing = false;
    return committed;
}
