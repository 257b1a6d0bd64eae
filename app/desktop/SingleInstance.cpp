#include "app/desktop/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>

#include "platform/PeerCredentials.h"
#include "platform/RuntimeFolder.h"

#include <unistd.h>

namespace {

// A later start waits this long for the running one; a program that takes
// longer to accept a local connection is taken as not running.
constexpr int AnswerTimeoutMs = 1000;

QByteArray requestLine(SingleInstance::Request request)
{
    return request == SingleInstance::Request::ShowWindow ? QByteArrayLiteral("show\n")
                                                          : QByteArrayLiteral("mini\n");
}

} // namespace

SingleInstance::SingleInstance(const QString &serverName, QObject *parent)
    : QObject(parent), m_serverName(serverName)
{
}

Result<QString> SingleInstance::serverNameForUser()
{
    const Result<QString> folder = RuntimeFolder::resolve();
    if (!folder)
        return Failure{folder.error()};
    QString name = *folder + QStringLiteral("/netkestrel-%1").arg(::getuid());
    QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty())
        display = qEnvironmentVariable("DISPLAY");
    if (!display.isEmpty()) {
        static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9]"));
        name += QLatin1Char('-') + display.replace(unsafe, QStringLiteral("_"));
    }
    return name;
}

bool SingleInstance::claim(Request request)
{
    if (m_serverName.isEmpty())
        return true;
    if (handOver(request))
        return false;
    if (listen())
        return true;
    // Another first start may have won the race to listen.
    if (handOver(request))
        return false;
    // Nobody answers: the socket of a program that has crashed.
    QLocalServer::removeServer(m_serverName);
    if (!listen())
        qWarning("netkestrel: cannot listen on %s (%s); a second start will not find this one.",
                 qPrintable(m_serverName), qPrintable(m_server->errorString()));
    return true;
}

bool SingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

bool SingleInstance::handOver(Request request)
{
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(AnswerTimeoutMs))
        return false;
    // Whoever else listens there is not our running program: telling it
    // that we end would leave the user with no window at all.
    if (!PeerCredentials::isOwnUser(socket.socketDescriptor())) {
        socket.abort();
        return false;
    }
    // The line waits in the socket for the running program to read it, also
    // after this process has ended.
    socket.write(requestLine(request));
    const bool written = socket.waitForBytesWritten(AnswerTimeoutMs);
    socket.disconnectFromServer();
    return written;
}

bool SingleInstance::listen()
{
    if (!m_server) {
        m_server = new QLocalServer(this);
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(m_server, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket *socket = m_server->nextPendingConnection())
                serve(socket);
        });
    }
    return m_server->listen(m_serverName);
}

void SingleInstance::serve(QLocalSocket *socket)
{
    if (!PeerCredentials::isOwnUser(socket->socketDescriptor())) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    auto readLine = [this, socket] {
        if (!socket->canReadLine())
            return;
        if (socket->readLine(64) == requestLine(Request::ShowWindow))
            Q_EMIT showRequested();
        socket->disconnectFromServer();
    };
    connect(socket, &QLocalSocket::readyRead, this, readLine);
    readLine();
}
