#include "sheets/XlsxStyles.h"

#include <QHash>
#include <QXmlStreamReader>

using CellText::DateKind;

std::optional<DateKind> XlsxStyles::formatDateKind(int formatId, const QString &formatCode)
{
    // The built-in formats that show dates and times (ECMA-376 part 1,
    // 18.8.30), among them the East Asian date formats 27 to 36 and 50 to 58.
    if ((formatId >= 14 && formatId <= 17) || (formatId >= 27 && formatId <= 31) ||
        (formatId >= 34 && formatId <= 36) || (formatId >= 50 && formatId <= 58))
        return DateKind::Date;
    if ((formatId >= 18 && formatId <= 21) || (formatId >= 45 && formatId <= 47) || formatId == 32 ||
        formatId == 33)
        return DateKind::Time;
    if (formatId == 22)
        return DateKind::DateTime;
    if (formatId < 164 || formatCode.isEmpty())
        return std::nullopt;

    bool date = false;
    bool time = false;
    bool month = false;
    QChar quote;
    for (qsizetype i = 0; i < formatCode.size(); ++i) {
        const QChar c = formatCode.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == QLatin1Char('"')) {
            quote = c;
        } else if (c == QLatin1Char('[')) {
            // [h], [mm], [ss]: elapsed time; [Red], [$-409]: no date part.
            const qsizetype end = formatCode.indexOf(QLatin1Char(']'), i);
            const QString inside = formatCode.mid(i + 1, end < 0 ? -1 : end - i - 1).toLower();
            if (!inside.isEmpty() && inside.count(inside.at(0)) == inside.size() &&
                QStringLiteral("hms").contains(inside.at(0)))
                time = true;
            if (end < 0)
                break;
            i = end;
        } else if (c == QLatin1Char('\\') || c == QLatin1Char('_') || c == QLatin1Char('*')) {
            ++i; // the next character is shown or padded, not a code
        } else if (c == QLatin1Char(';')) {
            break; // the first section decides
        } else {
            const QChar lower = c.toLower();
            if (lower == QLatin1Char('d') || lower == QLatin1Char('y'))
                date = true;
            else if (lower == QLatin1Char('h') || lower == QLatin1Char('s'))
                time = true;
            else if (lower == QLatin1Char('m'))
                month = true;
        }
    }
    // "m" is minutes next to hours or seconds, else the month.
    if (month && !time)
        date = true;
    if (date && time)
        return DateKind::DateTime;
    if (date)
        return DateKind::Date;
    if (time)
        return DateKind::Time;
    return std::nullopt;
}

XlsxStyles XlsxStyles::parse(const QByteArray &xml)
{
    XlsxStyles styles;
    QHash<int, QString> codes;
    QXmlStreamReader reader(xml);
    bool inCellStyles = false;
    // A damaged part reads as far as it goes; what came before stays, and
    // the styles after it read as plain numbers.
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            const QStringView name = reader.name();
            // A workbook has at most 64,000 styles; a part that claims more is damaged.
            if (styles.m_styles.size() >= MaxStyles || codes.size() >= MaxStyles)
                break;
            if (name == QLatin1String("numFmt")) {
                const auto attributes = reader.attributes();
                codes.insert(attributes.value(QLatin1String("numFmtId")).toInt(),
                             attributes.value(QLatin1String("formatCode")).toString());
            } else if (name == QLatin1String("cellXfs")) {
                inCellStyles = true;
            } else if (name == QLatin1String("xf") && inCellStyles) {
                const int id = reader.attributes().value(QLatin1String("numFmtId")).toInt();
                styles.m_styles.append(formatDateKind(id, codes.value(id)));
            }
        } else if (reader.isEndElement() && reader.name() == QLatin1String("cellXfs")) {
            inCellStyles = false;
        }
    }
    return styles;
}

std::optional<DateKind> XlsxStyles::dateKind(int style) const
{
    return m_styles.value(style, std::nullopt);
}
