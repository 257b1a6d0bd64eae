#include "ReplyReader.h"

#include <cctype>

namespace {

bool isContinuation(const QByteArray &line)
{
    return line.size() >= 4 && line.at(3) == '-' && std::isdigit(quint8(line.at(0))) &&
           std::isdigit(quint8(line.at(1))) && std::isdigit(quint8(line.at(2)));
}

} // namespace

QList<QByteArray> ReplyReader::feed(const QByteArray &bytes)
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
    }
    m_partialLine.remove(0, start);
    if (m_partialLine.size() > MaxLineLength) {
        completeLine(m_partialLine, replies);
        m_partialLine.clear();
    }
    return replies;
}

void ReplyReader::clear()
{
    m_partialLine.clear();
    m_pendingReply.clear();
}

void ReplyReader::completeLine(QByteArray line, QList<QByteArray> &replies)
{
    if (!m_pendingReply.isEmpty())
        m_pendingReply.append("\r\n");
    m_pendingReply.append(line);
    if (isContinuation(line))
        return;
    replies.append(m_pendingReply);
    m_pendingReply.clear();
}
