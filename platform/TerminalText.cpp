#include "platform/TerminalText.h"

namespace TerminalText {

namespace {

bool isUnsafe(QChar c)
{
    switch (c.category()) {
    case QChar::Other_Control:       // C0, DEL, C1 (CSI is 0x9B)
    case QChar::Other_Format:        // bidirectional overrides and isolates, zero-width marks
    case QChar::Separator_Line:      // U+2028
    case QChar::Separator_Paragraph: // U+2029
    case QChar::Other_Surrogate:     // a lone half of a pair
        return true;
    default:
        return false;
    }
}

QString escaped(QChar c)
{
    switch (c.unicode()) {
    case '\n':
        return QStringLiteral("\\n");
    case '\r':
        return QStringLiteral("\\r");
    case '\t':
        return QStringLiteral("\\t");
    default:
        break;
    }
    if (c.unicode() <= 0xFF)
        return QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
    return QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
}

} // namespace

QString printable(const QString &text, LineBreaks lineBreaks)
{
    QString source = text;
    if (lineBreaks == LineBreaks::Keep)
        source.replace(QLatin1String("\r\n"), QLatin1String("\n"));

    QString out;
    out.reserve(source.size());
    for (qsizetype i = 0; i < source.size(); ++i) {
        const QChar c = source.at(i);
        if (c.isHighSurrogate() && i + 1 < source.size() && source.at(i + 1).isLowSurrogate()) {
            out += QStringView(source).mid(i, 2);
            ++i;
        } else if (lineBreaks == LineBreaks::Keep && c == QLatin1Char('\n')) {
            out += c;
        } else if (isUnsafe(c)) {
            out += escaped(c);
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace TerminalText
