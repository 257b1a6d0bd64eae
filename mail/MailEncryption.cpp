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

bool parseEncryption(const QString &text, MailEncryption *encryption)
{
    for (const MailEncryption e : {MailEncryption::None, MailEncryption::StartTls, MailEncryption::Tls}) {
        if (text.trimmed().compare(encryptionName(e), Qt::CaseInsensitive) == 0) {
            *encryption = e;
            return true;
        }
    }
    return false;
}
