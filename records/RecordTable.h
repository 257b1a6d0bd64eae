#pragma once

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <optional>

#include "lists/PresetRecord.h"
#include "platform/Result.h"

// The statements on T_Record over a connection that the caller opened, inside
// the caller's transaction if it began one. Each statement is prepared once
// per table object and reused, so a batch of thousands of rows prepares each
// only once. Failures carry the driver's text only.
//
// Declare the table after the RecordStoreSession whose connection it uses, so
// that its statements are gone before the connection closes.
class RecordTable
{
public:
    enum class Column { IpAddress, MacAddress };
    enum class Engine { Sqlite, Postgres };

    explicit RecordTable(QSqlDatabase &db) : m_db(db) {}

    // The ten columns of T_Record as the program names them: ID, then the
    // nine fields in their order.
    static QStringList columnNames();
    // Field k (0 to 8) as statements name its column, quoted where needed.
    static QString fieldColumn(int k);
    // The duplicate probe on a column; binds the value and the ID to skip.
    static QString probeStatement(Column column, Engine engine = Engine::Sqlite);

    // All records in the order of their IDs.
    Result<QList<PresetRecord>> all();
    // Nothing: the ID is not in the table.
    Result<std::optional<PresetRecord>> byId(qint64 id);
    // The lowest ID other than exceptId whose column holds value, compared
    // without regard to case (through the column's index). exceptId 0
    // excludes nothing.
    Result<std::optional<qint64>> firstHolding(Column column, const QString &value, qint64 exceptId = 0);
    // The new record's ID.
    Result<qint64> insert(const PresetRecord &record);
    // Inserts the record under its own ID (a copy of another store).
    Result<> insertWithId(const PresetRecord &record);
    // Writes fields 1 to fieldCount of record.id; the others keep their
    // values. False when the ID is not there.
    Result<bool> update(const PresetRecord &record, int fieldCount = PresetRecord::FieldCount);
    // How many rows went (0 or 1).
    Result<int> remove(qint64 id);

private:
    Result<QSqlQuery *> run(const QString &statement, const QVariantList &values);

    QSqlDatabase &m_db;
    QHash<QString, QSqlQuery> m_statements;
};
