#include "sheets/RecordWorkbook.h"

#include "sheets/RecordTableDump.h"
#include "sheets/WorkbookFile.h"

#include <QList>

namespace RecordWorkbook {

namespace {

// Wide enough for the longest text of the column, within the limit of the format.
double columnWidth(int characters)
{
    return std::min(255.0, std::max(characters, 4) + 2.0);
}

} // namespace

Result<> write(const RecordTableDump &table, const QString &path)
{
    WorkbookFile file(path);
    lxw_workbook *book = file.workbook();
    if (!book)
        return file.commit();
    lxw_worksheet *sheet = workbook_add_worksheet(book, SheetName);
    lxw_format *header = workbook_add_format(book);
    format_set_font_name(header, "Arial");
    format_set_bold(header);
    format_set_border(header, LXW_BORDER_THIN);
    lxw_format *body = workbook_add_format(book);
    format_set_border(body, LXW_BORDER_THIN);

    const int columns = int(table.fieldNames.size());
    QList<int> widths(columns, 0);
    for (int c = 0; c < columns; ++c) {
        const QString &name = table.fieldNames.at(c);
        widths[c] = int(name.size());
        file.check(worksheet_write_string(sheet, 0, lxw_col_t(c), name.toUtf8().constData(), header));
    }
    for (int r = 0; r < table.rows.size(); ++r) {
        const QVariantList &values = table.rows.at(r);
        const lxw_row_t row = lxw_row_t(r + 1);
        for (int c = 0; c < columns; ++c) {
            const QVariant value = values.value(c);
            const auto type = value.typeId();
            if (value.isNull() || (type == QMetaType::QString && value.toString().isEmpty())) {
                file.check(worksheet_write_blank(sheet, row, lxw_col_t(c), body));
                continue;
            }
            const QString text = value.toString();
            widths[c] = std::max(widths[c], int(text.size()));
            if (type == QMetaType::LongLong || type == QMetaType::Int || type == QMetaType::Double)
                file.check(worksheet_write_number(sheet, row, lxw_col_t(c), value.toDouble(), body));
            else
                file.check(worksheet_write_string(sheet, row, lxw_col_t(c), text.toUtf8().constData(), body));
        }
    }
    for (int c = 0; c < columns; ++c)
        file.check(
            worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), columnWidth(widths.at(c)), nullptr));

    worksheet_set_paper(sheet, PaperSize);
    worksheet_set_landscape(sheet);
    worksheet_fit_to_pages(sheet, 1, 0);
    file.check(worksheet_set_footer(sheet, (QByteArray("&C") + Footer).constData()));
    file.check(worksheet_repeat_rows(sheet, 0, 0));
    return file.commit();
}

} // namespace RecordWorkbook
