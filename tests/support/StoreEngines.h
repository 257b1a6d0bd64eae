#pragma once

#include <QString>
#include <memory>

#include "platform/Result.h"
#include "tests/support/PostgresServer.h"

// Runs a test class's functions once on each engine of the record store: its
// initTestCase_data() calls addRows(), its init() asks server() for the
// current row (nothing for SQLite) and hands that to RecordFixture. The
// PostgreSQL server starts at the first row that needs it and stops when
// the object goes (keep it a member of the test class).
class StoreEngines
{
public:
    // The global column "engine": "sqlite" and "postgresql".
    static void addRows();
    // Whether the current row is the server's.
    static bool onServer();
    // Why the current row cannot run here (no server installed), for QSKIP;
    // empty when it can.
    static QString skipReason();

    // The running server for a server row, nullptr for the SQLite row.
    Result<PostgresServer *> server();

private:
    std::unique_ptr<PostgresServer> m_server;
};
