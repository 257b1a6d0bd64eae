#pragma once

#include <QByteArray>
#include <QString>

// Texts of files that may come from Windows: UTF-8 when the bytes are valid
// UTF-8 (a leading byte order mark is dropped), Windows-1252 otherwise. Every
// byte sequence decodes to some text; nothing is refused.
namespace TextDecoding {

QString utf8OrWindows1252(const QByteArray &bytes);
QString windows1252(const QByteArray &bytes);

} // namespace TextDecoding
