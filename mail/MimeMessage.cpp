#include "mail/MimeMessage.h"

#include <QFile>
#include <QMimeDatabase>
#include <QRegularExpression>

#include "mail/MailCodecs.h"
#include "mail/MailDate.h"
#include "mail/MailText.h"
#include "mail/SendMailProperties.h"

MimeMessage::MimeMessage() = default;
MimeMessage::~MimeMessage() = default;

QString MimeMessage::fileNameOf(const QString &path)
{
    QString name = path;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
}

QString MimeMessage::contentType(const QString &fileName)
{
    const QMimeType type =
        QMimeDatabase().mimeTypeForFile(fileNameOf(fileName), QMimeDatabase::MatchExtension);
    return type.isDefault() ? QString() : type.name();
}

void MimeMessage::prepare(const MessageHeaders::Envelope &envelope, const QString &body,
                          const QStringList &attachmentPaths, const QDateTime &now)
{
    m_envelope = envelope;
    m_body = body;
    m_paths = attachmentPaths;
    m_embedded = QList<bool>(m_paths.size(), false);
    m_next = 0;
    m_file.reset();
    m_envelope.multipart = envelope.encodeType == 0 && !m_paths.isEmpty();
    m_envelope.related = false;
    if (envelope.asHtml) {
        for (qsizetype i = 0; i < m_paths.size(); ++i) {
            const QString name = fileNameOf(m_paths.at(i));
            const QRegularExpression reference(QStringLiteral("(=\\s*[\"']?|<)") +
                                                   QRegularExpression::escape(name) +
                                                   QStringLiteral("(?=[\"'\\s>])"),
                                               QRegularExpression::CaseInsensitiveOption);
            if (!m_body.contains(reference))
                continue;
            m_body.replace(reference, QStringLiteral("\\1cid:") + name);
            m_embedded[i] = true;
            m_envelope.related = true;
        }
    }
    m_envelope.boundary = MailDate::mimeBoundary(now);
    m_envelope.eightBit = MailText::hasEightBit(m_body);
    m_envelope.charset = MailText::charsetFor(m_body);
}

QByteArray MimeMessage::head(const QString &date) const
{
    MessageHeaders::Envelope envelope = m_envelope;
    envelope.date = date;
    QByteArray head = MailText::encodeText(MessageHeaders::build(envelope));
    head += "\r\n" + MailText::encodeText(m_body) + "\r\n";
    if (!m_paths.isEmpty())
        head += "\r\n";
    return head;
}

QString MimeMessage::nextName() const
{
    return fileNameOf(m_paths.value(m_next));
}

Result<QByteArray> MimeMessage::openNextAttachment()
{
    const QString name = nextName();
    auto file = std::make_unique<QFile>(m_paths.value(m_next));
    if (!file->open(QIODevice::ReadOnly))
        return Failure{QLatin1String(SendMailProperties::AttachmentMissing)};
    m_file = std::move(file);
    if (uuencoded())
        return QByteArray("begin 600 " + MailText::encodeText(name) + "\r\n");
    return MailText::encodeText(MessageHeaders::attachmentPart(m_envelope.boundary, name, contentType(name),
                                                               nextIsEmbedded() && m_envelope.related));
}

QByteArray MimeMessage::readPiece()
{
    if (!m_file)
        return {};
    const QByteArray piece =
        m_file->read(uuencoded() ? MailCodecs::UuPieceBytes : MailCodecs::Base64PieceBytes);
    if (!piece.isEmpty())
        return uuencoded() ? MailCodecs::uuencodeLines(piece) : MailCodecs::base64Lines(piece);
    m_file.reset();
    ++m_next;
    return uuencoded() ? MailCodecs::uuencodeClosing() + "end\r\n" : QByteArray("\r\n");
}

void MimeMessage::closeAttachment()
{
    m_file.reset();
}

QByteArray MimeMessage::ending() const
{
    return m_envelope.multipart ? "--" + m_envelope.boundary.toLatin1() + "--\r\n" : QByteArray();
}
