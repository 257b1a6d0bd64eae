#include "mail/ReplyReader.h"

#include <cctype>

namespace {

bool isContinuation(const QByteArray &line)
{
    return line.size() >= 4 && line.at(3) == '-' && std::isdigit(quint8(line.at(0))) &&
           std::isdigit(quint8(line.at(1))) && std::isdigit(quint8(line.at(2)));
}

} // namespace

Result<QList<QByteArray>> ReplyReader::feed(const QByteArray &bytes)
{
    QList<QByteArray> replies;
    m_partialLine.append(bytes);
    qsizetype start = 0;
    for (;;) {
        const qsizetype lf = m_partialLine.indexOf('\n', start);
        if (lf < 0)
            break;
        QByteArray line = m_partialLine.mid(start, lf - start);
        if (line.endsWith('\r'))
            line.chop(1);
        completeLine(std::move(line), replies);
        start = lf + 1;
        if (m_pendingLines >= MaxReplyLines)
            return refuse(
                QStringLiteral("The mail server sent a reply of more than %1 lines.").arg(MaxReplyLines));
        if (m_pendingReply.size() > MaxReplyBytes)
            break;
    }
    m_partialLine.remove(0, start);
    if (heldBytes() > MaxReplyBytes)
        return refuse(
            QStringLiteral("The mail server sent a reply of more than %1 bytes.").arg(MaxReplyBytes));
    return replies;
}

void ReplyReader::clear()
{
    m_partialLine.clear();
    m_pendingReply.clear();
    m_pendingLines = 0;
}

Result<QList<QByteArray>> ReplyReader::refuse(const QString &message)
{
    clear();
    return Failure{message};
}

void ReplyReader::completeLine(QByteArray line, QList<QByteArray> &replies)
{
    if (m_pendingLines > 0)
        m_pendingReply.append("\r\n");
    m_pendingReply.append(line);
    if (isContinuation(line)) {
        ++m_pendingLines;
        return;
    }
    replies.append(m_pendingReply);
    m_pendingReply.clear();
    m_pendingLines = 0;
}
