#pragma once

#include "PresetRecord.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <optional>

// The record database: table T_Record (the preset records) and T_set (the
// analysis options) in the SQLite file kestrel.mdb of the data folder. A
// missing file is created with both tables.
//
// Every operation opens a connection of its own (OpenRecordStore) and removes
// it (CloseRecordStore) before it returns, so nothing stays open between user
// actions and an operation started while another runs cannot disturb it. Values
// are always bound as parameters. On failure an operation returns false and
// lastError() holds a message for the user; nothing has changed then.
// Not thread-safe: use one store per thread.
class RecordStore
{
public:
    static constexpr const char *DatabaseFileName = "kestrel.mdb";

    explicit RecordStore(const QString &dataFolder);

    // The folder gets a separator appended unless it already ends in one.
    static QString databasePath(const QString &dataFolder);
    QString databasePath() const { return m_databasePath; }

    // A connection of its own, opened, with the tables created when the file
    // was missing. Returns an invalid (closed) database and sets lastError() on
    // failure. Pair every call with CloseRecordStore.
    QSqlDatabase OpenRecordStore();
    // Closes the connection and removes it from Qt's registry. The caller must
    // hold no query or other copy of the connection any more.
    static void CloseRecordStore(QSqlDatabase &db);

    // All records in the order of their IDs.
    std::optional<QList<PresetRecord>> loadAll();
    // ok and no record: the ID is not in the table.
    bool recordById(qint64 id, std::optional<PresetRecord> *record);
    // Whether another record than exceptId holds the IP (MAC) address,
    // compared without regard to case. exceptId 0 excludes nothing.
    bool isIpTaken(const QString &ip, qint64 exceptId, bool *taken);
    bool isMacTaken(const QString &mac, qint64 exceptId, bool *taken);
    // Inserts the record and reads it back: record->id is the new key.
    bool insertRecord(PresetRecord *record);
    // Writes fields 1 to 9 of record->id and reads the row back into record;
    // *found is false (and nothing is written) when the ID is not there.
    bool updateRecord(PresetRecord *record, bool *found);
    // Deletes the given IDs in one transaction, skipping those that are gone.
    bool deleteRecords(const QList<qint64> &ids, int *deleted);

    QString lastError() const { return m_lastError; }

private:
    bool isTaken(const char *column, const QString &value, qint64 exceptId, bool *taken);
    bool fail(const QString &what, const QString &detail);

    QString m_databasePath;
    QString m_lastError;
};
