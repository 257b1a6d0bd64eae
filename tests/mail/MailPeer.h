#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// A real mail server on 127.0.0.1 that a test starts and stops: a program
// that prints "READY <port>" once it listens. Stopped by closing its input,
// then by its own process id when it does not end.
class MailPeer
{
public:
    MailPeer() = default;
    ~MailPeer() { stop(); }
    MailPeer(const MailPeer &) = delete;
    MailPeer &operator=(const MailPeer &) = delete;

    bool start(const QString &program, const QStringList &arguments);
    void stop();
    quint16 port() const { return m_port; }
    QString output() const { return m_output; }

private:
    QProcess m_process;
    quint16 m_port = 0;
    QString m_output;
};
