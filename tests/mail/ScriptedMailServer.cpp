#include "tests/mail/ScriptedMailServer.h"

const QByteArray ScriptedMailServer::Hangup = QByteArrayLiteral("<hang up>");
const QByteArray ScriptedMailServer::Flood = QByteArrayLiteral("<flood>");

ScriptedMailServer::ScriptedMailServer()
{
    replies.insert("EHLO", {"250-scripted.example.com\r\n250-AUTH LOGIN PLAIN\r\n250 8BITMIME\r\n"});
    replies.insert("HELO", {"250 scripted.example.com\r\n"});
    replies.insert("MAIL", {"250 2.1.0 ok\r\n"});
    replies.insert("RCPT", {"250 2.1.5 ok\r\n"});
    replies.insert("DATA", {"354 end with .\r\n"});
    replies.insert("QUIT", {"221 bye\r\n"});
    replies.insert("AUTH LOGIN", {"334 VXNlcm5hbWU6\r\n"});
    loginReplies = {{"334 UGFzc3dvcmQ6\r\n"}, {"235 2.7.0 accepted\r\n"}};
    m_writer.setInterval(5);
    connect(&m_writer, &QTimer::timeout, this, &ScriptedMailServer::writeNext);
    connect(&m_server, &QTcpServer::newConnection, this, &ScriptedMailServer::accept);
    m_server.listen(QHostAddress::LocalHost, 0);
}

ScriptedMailServer::Pieces ScriptedMailServer::cut(const QByteArray &text, int size)
{
    Pieces pieces;
    for (qsizetype at = 0; at < text.size(); at += size)
        pieces.append(text.mid(at, size));
    return pieces;
}

void ScriptedMailServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        ++connections;
        if (m_client)
            m_client->deleteLater();
        m_client = socket;
        m_buffer.clear();
        m_inData = false;
        m_loginStep = -1;
        m_outgoing.clear();
        connect(socket, &QTcpSocket::readyRead, this, &ScriptedMailServer::readClient);
        queue(greeting);
    }
}

void ScriptedMailServer::readClient()
{
    m_buffer += m_client->readAll();
    for (;;) {
        if (m_inData) {
            const qsizetype end = m_buffer.startsWith(".\r\n") ? 0 : m_buffer.indexOf("\r\n.\r\n");
            if (end < 0)
                return;
            const qsizetype contentEnd = end == 0 ? 0 : end + 2;
            messages.append(m_buffer.left(contentEnd));
            m_buffer.remove(0, contentEnd + 3);
            m_inData = false;
            queue(dataReply);
            continue;
        }
        const qsizetype lf = m_buffer.indexOf("\r\n");
        if (lf < 0)
            return;
        const QByteArray line = m_buffer.left(lf);
        m_buffer.remove(0, lf + 2);
        commands.append(line);
        answer(line);
    }
}

void ScriptedMailServer::answer(const QByteArray &line)
{
    if (m_loginStep >= 0 && m_loginStep < loginReplies.size()) {
        queue(loginReplies.at(m_loginStep++));
        return;
    }
    const QByteArray upper = line.toUpper();
    // The longest matching key wins ("AUTH LOGIN" before "AUTH").
    QByteArray best;
    for (auto it = replies.cbegin(); it != replies.cend(); ++it) {
        if (upper.startsWith(it.key()) && it.key().size() > best.size())
            best = it.key();
    }
    if (best.isEmpty()) {
        queue({"500 unknown command\r\n"});
        return;
    }
    if (best == "AUTH LOGIN")
        m_loginStep = 0;
    if (best == "DATA" && !replies.value(best).isEmpty() &&
        replies.value(best).constFirst().startsWith("354"))
        m_inData = true;
    queue(replies.value(best));
}

void ScriptedMailServer::queue(const Pieces &pieces)
{
    m_outgoing += pieces;
    if (!m_writer.isActive())
        m_writer.start();
}

void ScriptedMailServer::writeNext()
{
    if (m_outgoing.isEmpty() || !m_client) {
        m_writer.stop();
        return;
    }
    const QByteArray piece = m_outgoing.takeFirst();
    if (piece == Hangup) {
        m_client->disconnectFromHost();
    } else if (piece == Flood) {
        m_writer.stop();
        connect(m_client, &QTcpSocket::bytesWritten, this, &ScriptedMailServer::flood);
        flood();
    } else {
        m_client->write(piece);
        m_client->flush();
    }
}

void ScriptedMailServer::flood()
{
    if (!m_client || m_client->state() != QAbstractSocket::ConnectedState)
        return;
    const QByteArray block = floodText.repeated(qMax<qsizetype>(1, 64 * 1024 / floodText.size()));
    while (m_client->bytesToWrite() < 256 * 1024) {
        m_client->write(block);
        floodedBytes += block.size();
    }
}
