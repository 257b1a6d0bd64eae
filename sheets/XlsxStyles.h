#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

#include "sheets/CellText.h"

// What the cell styles of an .xlsx workbook (xl/styles.xml) say about reading
// numbers: whether the number format of a style shows a date, a time or both.
// Only that is read; fonts, fills and borders are of no concern to an import.
class XlsxStyles
{
public:
    // Missing or unreadable styles make every number a plain number.
    static XlsxStyles parse(const QByteArray &xml);

    // The date kind of cell style s (the s attribute of a cell), or nothing
    // for a plain number.
    std::optional<CellText::DateKind> dateKind(int style) const;

    // The date kind a number format shows: a built-in format by its ID, else
    // the format code, read outside quoted text, escapes and brackets.
    static std::optional<CellText::DateKind> formatDateKind(int formatId, const QString &formatCode);

private:
    static constexpr qsizetype MaxStyles = 65536;

    QList<std::optional<CellText::DateKind>> m_styles;
};
