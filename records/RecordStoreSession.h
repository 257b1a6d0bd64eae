#pragma once

#include <QSqlDatabase>
#include <QString>

#include "platform/Result.h"

class RecordStore;

// The connection of one database operation: opened with OpenRecordStore,
// closed and removed with CloseRecordStore when it goes out of scope. Declare
// it before any query on it, so that the queries are gone before it closes.
class RecordStoreSession
{
public:
    explicit RecordStoreSession(const RecordStore &store);
    ~RecordStoreSession();
    RecordStoreSession(const RecordStoreSession &) = delete;
    RecordStoreSession &operator=(const RecordStoreSession &) = delete;

    bool isOpen() const { return m_db.isOpen(); }
    // Why the connection could not be opened: a message for the user.
    const QString &error() const { return m_error; }
    QSqlDatabase &db() { return m_db; }

    // BEGIN IMMEDIATE: takes the write lock at once, waiting as long as the
    // busy timeout, so that what the transaction reads stays true until it
    // commits, and no read lock ever has to be upgraded (which SQLite refuses
    // without waiting when another connection writes). On a server: BEGIN
    // and a lock on T_Record that only writers wait for, for the same
    // reasons, held until the end of the transaction. A transaction that
    // is not committed is rolled back when the session ends. Failures carry
    // the driver's text only.
    //
    // The host history's writers lock T_History instead: they never wait
    // for a record edit nor hold one up, and wait for each other up to a
    // minute, long enough for several of the largest scans (65,536 rows)
    // queued at once; a scan that still finds the store busy is kept in the
    // data folder rather than lost (HistorySpool).
    enum class Lock { Records, History };
    Result<> beginWrite(Lock lock = Lock::Records);
    Result<> commit();

private:
    QSqlDatabase m_db;
    QString m_error;
    bool m_writing = false;
};
