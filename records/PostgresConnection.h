#pragma once

#include <QByteArray>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <memory>
#include <optional>

#include "platform/Result.h"

struct pg_conn;
struct pg_result;

// The client library's connection under an open connection of Qt's
// PostgreSQL driver, for what that driver cannot do quickly: values sent
// apart from the statement text (the driver writes every bound value into
// the text as an escaped literal, which the server must then scan), and
// COPY. It borrows the connection, so it runs inside the caller's
// transaction; the QSqlDatabase must outlive it and stay on this thread.
// Each call waits for its whole answer, so the connection is idle again for
// Qt's queries when it returns. Failures carry the server's text only.
class PostgresConnection
{
public:
    // The rows of one statement's answer, as the server's text.
    class Rows
    {
    public:
        int count() const;
        bool isNull(int row, int column) const;
        QByteArray text(int row, int column) const;
        qint64 number(int row, int column) const;

    private:
        friend class PostgresConnection;
        std::shared_ptr<pg_result> m_result;
    };

    // Nothing unless db is open on Qt's PostgreSQL driver and no query of
    // Qt's is still reading an answer on it.
    static std::optional<PostgresConnection> of(const QSqlDatabase &db);

    // statement numbers its values $1, $2...; a null QByteArray is NULL.
    Result<Rows> exec(const QByteArray &statement, const QList<QByteArray> &values = {});
    // Runs statement (a COPY ... FROM STDIN in the text format) with data,
    // whole lines of appendCopyField fields; returns how many rows it wrote.
    Result<qint64> copyIn(const QByteArray &statement, const QByteArray &data);
    // Appends value to a line of COPY's text format; a null QString is NULL.
    static void appendCopyField(QByteArray &line, const QString &value);

private:
    explicit PostgresConnection(pg_conn *connection) : m_connection(connection) {}
    Failure failure(const pg_result *result) const;

    pg_conn *m_connection;
};
