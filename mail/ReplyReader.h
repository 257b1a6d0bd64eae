#pragma once

#include <QByteArray>
#include <QList>

#include "platform/Result.h"

// Cuts the bytes a mail server sends into whole replies, however they arrive:
// a line is complete at its LF (a CR before it is dropped), and the lines of
// a multi-line SMTP reply ("250-..." up to "250 ...") make one reply, joined
// with CR LF. POP3 replies ("+OK", "-ERR") are one line each.
//
// A server may send without end, in one line or in endless "250-" lines, so
// the reply being read is bounded in bytes and in lines: a reply that goes
// beyond either is refused and the reader holds nothing more of it. What it
// holds is thus never more than MaxReplyBytes plus the bytes of one feed.
class ReplyReader
{
public:
    // Far above what any server sends (an EHLO reply is a few hundred bytes
    // in a dozen lines) and far below what would weigh on the memory.
    static constexpr qsizetype MaxReplyBytes = 64 * 1024;
    static constexpr int MaxReplyLines = 512;

    // The replies completed by these bytes, in order; a failure once the reply
    // being read goes beyond a bound (the reader is then cleared).
    Result<QList<QByteArray>> feed(const QByteArray &bytes);
    void clear();

    // True while part of a reply has come and its end has not.
    bool isMidReply() const { return !m_partialLine.isEmpty() || m_pendingLines > 0; }
    // The bytes of replies not yet complete that the reader holds.
    qsizetype heldBytes() const { return m_partialLine.size() + m_pendingReply.size(); }

    // The three first characters of a reply.
    static QByteArray codeOf(const QByteArray &reply) { return reply.left(3); }

private:
    void completeLine(QByteArray line, QList<QByteArray> &replies);
    Result<QList<QByteArray>> refuse(const QString &message);

    QByteArray m_partialLine;
    QByteArray m_pendingReply; // earlier lines of a multi-line reply
    int m_pendingLines = 0;
};
