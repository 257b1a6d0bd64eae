#include "tests/mail/MailPeer.h"

#include <QDeadlineTimer>

bool MailPeer::start(const QString &program, const QStringList &arguments)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(program, arguments);
    if (!m_process.waitForStarted(5000))
        return false;
    QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
        if (!m_process.canReadLine() && !m_process.waitForReadyRead(int(deadline.remainingTime())))
            continue;
        while (m_process.canReadLine()) {
            const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
            m_output += line + QLatin1Char('\n');
            if (line.startsWith(QLatin1String("READY "))) {
                m_port = quint16(line.mid(6).toUInt());
                return m_port != 0;
            }
        }
    }
    m_output += QString::fromUtf8(m_process.readAll());
    return false;
}

void MailPeer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill(); // its own process id only
        m_process.waitForFinished(2000);
    }
}
