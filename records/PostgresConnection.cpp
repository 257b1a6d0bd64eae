#include "records/PostgresConnection.h"

#include "records/SqlEngine.h"

#include <QSqlDriver>
#include <QVariant>
#include <libpq-fe.h>

namespace {

// What one COPY message carries at most; the server takes far larger ones,
// but the client library copies each whole into its buffer.
constexpr qsizetype CopyChunk = 256 * 1024;

QString trimmedText(const char *text)
{
    return QString::fromUtf8(text).trimmed();
}

} // namespace

int PostgresConnection::Rows::count() const
{
    return PQntuples(m_result.get());
}

bool PostgresConnection::Rows::isNull(int row, int column) const
{
    return PQgetisnull(m_result.get(), row, column) != 0;
}

QByteArray PostgresConnection::Rows::text(int row, int column) const
{
    if (isNull(row, column))
        return {};
    return QByteArray(PQgetvalue(m_result.get(), row, column), PQgetlength(m_result.get(), row, column));
}

qint64 PostgresConnection::Rows::number(int row, int column) const
{
    return text(row, column).toLongLong();
}

std::optional<PostgresConnection> PostgresConnection::of(const QSqlDatabase &db)
{
    if (!db.isOpen() || !SqlEngine::isPostgres(db))
        return std::nullopt;
    const QVariant handle = db.driver()->handle();
    // The driver hands out its PGconn, whose type Qt names by the struct.
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "pg_conn*") != 0 && qstrcmp(handle.typeName(), "PGconn*") != 0))
        return std::nullopt;
    PGconn *connection = *static_cast<PGconn *const *>(handle.constData());
    if (!connection || PQstatus(connection) != CONNECTION_OK)
        return std::nullopt;
    // A query of Qt's that still reads its answer row by row owns the
    // connection until it is done.
    const PGTransactionStatusType status = PQtransactionStatus(connection);
    if (status == PQTRANS_ACTIVE || status == PQTRANS_UNKNOWN)
        return std::nullopt;
    return PostgresConnection(connection);
}

Failure PostgresConnection::failure(const pg_result *result) const
{
    const QString text = trimmedText(result ? PQresultErrorMessage(result) : PQerrorMessage(m_connection));
    return Failure{text.isEmpty() ? QStringLiteral("The statement failed.") : text};
}

Result<PostgresConnection::Rows> PostgresConnection::exec(const QByteArray &statement,
                                                          const QList<QByteArray> &values)
{
    QList<const char *> pointers;
    QList<int> lengths;
    pointers.reserve(values.size());
    lengths.reserve(values.size());
    for (const QByteArray &value : values) {
        pointers.append(value.isNull() ? nullptr : value.constData());
        lengths.append(int(value.size()));
    }
    Rows rows;
    rows.m_result.reset(PQexecParams(m_connection, statement.constData(), int(values.size()), nullptr,
                                     pointers.constData(), lengths.constData(), nullptr, 0),
                        PQclear);
    const ExecStatusType status = rows.m_result ? PQresultStatus(rows.m_result.get()) : PGRES_FATAL_ERROR;
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
        return failure(rows.m_result.get());
    return rows;
}

Result<qint64> PostgresConnection::copyIn(const QByteArray &statement, const QByteArray &data)
{
    {
        const std::unique_ptr<PGresult, decltype(&PQclear)> started(
            PQexec(m_connection, statement.constData()), PQclear);
        if (!started || PQresultStatus(started.get()) != PGRES_COPY_IN)
            return failure(started.get());
    }
    std::optional<Failure> sendFailure;
    for (qsizetype at = 0; at < data.size() && !sendFailure; at += CopyChunk) {
        const int length = int(qMin(CopyChunk, data.size() - at));
        if (PQputCopyData(m_connection, data.constData() + at, length) != 1)
            sendFailure = failure(nullptr);
    }
    // Ended with an error text, the COPY fails and writes nothing.
    if (PQputCopyEnd(m_connection, sendFailure ? "the client could not send the rows" : nullptr) != 1 &&
        !sendFailure)
        sendFailure = failure(nullptr);

    // Every result is read, so that the connection is idle again.
    std::optional<Result<qint64>> outcome;
    while (PGresult *result = PQgetResult(m_connection)) {
        if (!outcome) {
            if (PQresultStatus(result) == PGRES_COMMAND_OK)
                outcome = Result<qint64>(QByteArray(PQcmdTuples(result)).toLongLong());
            else
                outcome = Result<qint64>(failure(result));
        }
        PQclear(result);
    }
    if (sendFailure)
        return *sendFailure;
    if (!outcome)
        return failure(nullptr);
    return *outcome;
}

void PostgresConnection::appendCopyField(QByteArray &line, const QString &value)
{
    if (value.isNull()) {
        line += "\\N";
        return;
    }
    // Backslash sequences are the text format's only escapes; every other
    // byte, of UTF-8 too, stands for itself.
    const QByteArray utf8 = value.toUtf8();
    for (const char c : utf8) {
        switch (c) {
        case '\\':
            line += "\\\\";
            break;
        case '\t':
            line += "\\t";
            break;
        case '\n':
            line += "\\n";
            break;
        case '\r':
            line += "\\r";
            break;
        default:
            line += c;
        }
    }
}
