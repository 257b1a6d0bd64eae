#pragma once

#include <QByteArray>
#include <QString>

#include "platform/Result.h"

class ListModel;

// A list as an HTML page, UTF-8 with CR LF line ends: a title bar, a header
// row and one table row per list row. Column 0 (the row's icon) is never
// written. Header and cell texts are escaped, since list texts may come from
// imported records or from the network.
namespace ListHtmlWriter {

// Colours are hexadecimal RGB texts without "#". The defaults are the
// analysis list's.
struct Style
{
    QString title = QStringLiteral("Netkestrel Analysis of the scanning result");
    QString pageColour = QStringLiteral("FFFFFF");
    QString textColour = QStringLiteral("111111");
    int border = 0;
    int cellPadding = 0;
    int cellSpacing = 5;
    QString borderColour = QStringLiteral("111111");
    QString tableColour = QStringLiteral("FFFFEF");
    QString titleBarColour = QStringLiteral("800000");
    QString titleTextColour = QStringLiteral("FFFFFF");
    QString titleFont = QStringLiteral("Tahoma");
    int titleSize = 5;
    QString headerCellColour = QStringLiteral("FFFFEF");
    QString headerTextColour = QStringLiteral("111111");
    QString headerFont = QStringLiteral("Tahoma");
    int headerSize = 3;
};

QByteArray format(const ListModel &list, const Style &style);
// Replaces the file only once the new one is written whole.
Result<> write(const ListModel &list, const QString &path, const Style &style);

} // namespace ListHtmlWriter
