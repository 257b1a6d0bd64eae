#include "mail/MailEncryption.h"

QString encryptionName(MailEncryption encryption)
{
    switch (encryption) {
    case MailEncryption::StartTls:
        return QStringLiteral("starttls");
    case MailEncryption::Tls:
        return QStringLiteral("tls");
    case MailEncryption::None:
        break;
    }
    return QStringLiteral("none");
}

std::optional<MailEncryption> parseEncryption(const QString &text)
{
    for (const MailEncryption e : {MailEncryption::None, MailEncryption::StartTls, MailEncryption::Tls}) {
        if (text.trimmed().compare(encryptionName(e), Qt::CaseInsensitive) == 0)
            return e;
    }
    return std::nullopt;
}
