#pragma once

#include <QByteArray>
#include <QList>

// Cuts the bytes a mail server sends into whole replies, however they arrive:
// a line is complete at its LF (a CR before it is dropped), and the lines of
// a multi-line SMTP reply ("250-..." up to "250 ...") make one reply, joined
// with CR LF. POP3 replies ("+OK", "-ERR") are one line each.
class ReplyReader
{
public:
    // A line without its LF longer than this counts as complete, so that a
    // server that never ends its line cannot fill the memory.
    static constexpr qsizetype MaxLineLength = 64 * 1024;

    // The replies completed by these bytes, in order.
    QList<QByteArray> feed(const QByteArray &bytes);
    void clear();

    // The three first characters of a reply.
    static QByteArray codeOf(const QByteArray &reply) { return reply.left(3); }

private:
    void completeLine(QByteArray line, QList<QByteArray> &replies);

    QByteArray m_partialLine;
    QByteArray m_pendingReply; // earlier lines of a multi-line reply
};
