#include "tests/support/StoreEngines.h"

#include <QTest>

void StoreEngines::addRows()
{
    QTest::addColumn<QString>("engine");
    QTest::newRow("sqlite") << QStringLiteral("sqlite");
    QTest::newRow("postgresql") << QStringLiteral("postgresql");
}

bool StoreEngines::onServer()
{
    QFETCH_GLOBAL(QString, engine);
    return engine == QLatin1String("postgresql");
}

QString StoreEngines::skipReason()
{
    return onServer() ? PostgresServer::unavailableReason() : QString();
}

Result<PostgresServer *> StoreEngines::server()
{
    if (!onServer())
        return static_cast<PostgresServer *>(nullptr);
    if (!m_server) {
        auto server = std::make_unique<PostgresServer>();
        if (const Result<> started = server->start(); !started)
            return Failure{started.error()};
        m_server = std::move(server);
    }
    return m_server.get();
}
