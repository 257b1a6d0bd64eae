#pragma once

#include <QSqlDatabase>

#include "RecordStore.h"

// The connection of one database operation: opened with OpenRecordStore,
// closed and removed with CloseRecordStore when it goes out of scope. Declare
// it before any query on it, so that the queries are gone before it closes.
class RecordStoreSession
{
public:
    explicit RecordStoreSession(RecordStore &store) : m_db(store.OpenRecordStore()) {}
    ~RecordStoreSession() { RecordStore::CloseRecordStore(m_db); }
    RecordStoreSession(const RecordStoreSession &) = delete;
    RecordStoreSession &operator=(const RecordStoreSession &) = delete;

    bool isOpen() const { return m_db.isOpen(); }
    QSqlDatabase &db() { return m_db; }

private:
    QSqlDatabase m_db;
};
