#pragma once

#include <QList>
#include <QStringList>

#include <optional>

#include "lists/PresetRecord.h"
#include "sheets/SheetGrid.h"

// A worksheet laid out as the record export writes it: a header row of column
// names, then one row per record in the field order of T_Record, the first
// column being the ID, which an import ignores. Only the number of columns is
// checked; the names may be anything and the cells are taken as they read,
// without trimming or validation.
class RecordSheet
{
public:
    static constexpr int ColumnCount = PresetRecord::FieldCount + 1;
    static constexpr const char *FormatRefusedText =
        "Your imported file does not match the reqired format!\r\n"
        "Please rebuild it as the Exported Excel Sheet Format and try again.";

    // Nothing unless the sheet has exactly ColumnCount columns. The first row
    // with text is the header; rows without any text are no records.
    static std::optional<RecordSheet> fromGrid(const SheetGrid &grid);

    // The header texts; an empty one is named "F" and its column number.
    const QStringList &columnNames() const { return m_columnNames; }
    int rowCount() const { return int(m_rows.size()); }
    // ColumnCount texts.
    const QStringList &row(int index) const { return m_rows.at(index); }
    // Columns 2 to 10 of the row as the record's nine fields.
    PresetRecord record(int index) const;

private:
    QStringList m_columnNames;
    QList<QStringList> m_rows;
};
