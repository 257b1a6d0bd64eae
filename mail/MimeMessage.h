#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

#include "mail/MessageHeaders.h"
#include "platform/Result.h"

class QFile;

// One message as the sender writes it after DATA: its header lines, its body
// and its attachments, encoded as the envelope's encodeType asks (base64 MIME
// parts, or uuencoded blocks after a plain text). The attachments are read in
// pieces, so that a large file never sits whole in memory; the caller asks
// for the next piece when the socket has room for it. No dot-stuffing: the
// DATA stream does that.
class MimeMessage
{
public:
    MimeMessage();
    ~MimeMessage();

    // Takes the parts of a new message. In an HTML body, a reference to an
    // attachment by its file name (src="name", <name>) is pointed at the
    // attachment's part ("cid:name"), which makes the message
    // multipart/related. The boundary comes from the time `now`.
    void prepare(const MessageHeaders::Envelope &envelope, const QString &body,
                 const QStringList &attachmentPaths, const QDateTime &now);

    // The body as sent, its references to embedded attachments rewritten.
    const QString &body() const { return m_body; }

    // The header lines with the given Date, the body, and the empty line
    // before the first attachment.
    QByteArray head(const QString &date) const;

    // True when every attachment has been read to its end.
    bool attachmentsDone() const { return !m_file && m_next >= m_paths.size(); }
    bool hasOpenAttachment() const { return m_file != nullptr; }
    // The next attachment to open: its file name and whether the HTML embeds it.
    QString nextName() const;
    bool nextIsEmbedded() const { return m_embedded.value(m_next); }
    // Opens the next attachment and answers the lines that begin it; a
    // failure when the file cannot be read.
    Result<QByteArray> openNextAttachment();
    // The next encoded piece of the open attachment; at its end, the lines
    // that close it (the attachment is then done).
    QByteArray readPiece();
    // Closes the open attachment when a send ends before it.
    void closeAttachment();
    // What follows the last attachment: the closing boundary of a multipart
    // message, else nothing.
    QByteArray ending() const;

    // The last part of a path, with "\" taken as a separator too.
    static QString fileNameOf(const QString &path);
    // The MIME type of a file name by its extension; empty when unknown.
    static QString contentType(const QString &fileName);

private:
    bool uuencoded() const { return m_envelope.encodeType == 1; }

    MessageHeaders::Envelope m_envelope;
    QString m_body;
    QStringList m_paths;
    QList<bool> m_embedded;
    qsizetype m_next = 0;
    std::unique_ptr<QFile> m_file;
};
