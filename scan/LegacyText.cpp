#include "scan/LegacyText.h"

#include <QStringDecoder>

QString decodeLegacyText(QByteArrayView bytes)
{
    // Stateless: an incomplete sequence at the end counts as an error rather
    // than being held back for a next chunk that never comes.
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;

    QStringDecoder windows1252("windows-1252", QStringConverter::Flag::Stateless);
    if (windows1252.isValid())
        return windows1252.decode(bytes);
    // Qt without ICU knows no Windows code pages; Latin-1 agrees with
    // Windows-1252 outside 0x80..0x9F.
    return QString::fromLatin1(bytes);
}
