#pragma once

#include <QSqlDatabase>
#include <optional>

#include "platform/Result.h"
#include "records/RecordBatch.h"

// RecordStore::writeBatch on a PostgreSQL connection in a handful of
// statements whatever the batch's size: one probe of every key, one draw of
// the new IDs, one COPY of the new records, and one update per overwritten
// field count, the values travelling as one array per column, apart from the
// statement (PostgresConnection). Each item is a round trip to the server
// otherwise, and a server answers each far slower than a local file. The outcome and the table afterwards are
// those of writing the items one by one: the decisions are made here in item order, against the keys as the
// server found them and the records the items before wrote; new records get rising IDs in item order.
//
// Runs inside the caller's write transaction, which keeps other writers out
// from the probe to the last write. Declines (nothing, having written
// nothing) a batch whose items do not all match by the same key, or with a
// key that is missing or that the server lower-cases otherwise than Qt does,
// and a connection that is not Qt's PostgreSQL driver's: the caller writes
// such a batch item by item.
class ServerBatchWrite
{
public:
    explicit ServerBatchWrite(QSqlDatabase &db) : m_db(db) {}

    // Failures carry the driver's text only.
    Result<std::optional<BatchOutcome>> run(const QList<BatchItem> &items);

private:
    QSqlDatabase &m_db;
};
