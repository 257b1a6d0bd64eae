#include "sheets/ScanListWorkbook.h"

#include "lists/ScanListModel.h"
#include "sheets/WorkbookFile.h"

namespace ScanListWorkbook {

Result<> write(const ScanListModel &list, const QString &path)
{
    WorkbookFile file(path);
    lxw_workbook *book = file.workbook();
    if (!book)
        return file.commit();
    lxw_worksheet *sheet = workbook_add_worksheet(book, SheetName);
    lxw_format *header = workbook_add_format(book);
    format_set_bold(header);
    format_set_border(header, LXW_BORDER_THIN);
    lxw_format *body = workbook_add_format(book);
    format_set_border(body, LXW_BORDER_THIN);

    for (int c = 0; c < ColumnCount; ++c) {
        const QByteArray text = list.headerData(c, Qt::Horizontal).toString().toUtf8();
        file.check(text.isEmpty() ? worksheet_write_blank(sheet, 0, lxw_col_t(c), header)
                                  : worksheet_write_string(sheet, 0, lxw_col_t(c), text.constData(), header));
    }
    for (int r = 0; r < list.count(); ++r) {
        const lxw_row_t row = lxw_row_t(r + 1);
        const QByteArray number = (list.text(r, ScanListModel::NumberColumn) + QLatin1Char(' ')).toUtf8();
        file.check(worksheet_write_string(sheet, row, 0, number.constData(), body));
        for (int c = ScanListModel::IpColumn; c < ColumnCount; ++c) {
            const QByteArray text = list.text(r, c).toUtf8();
            // A string cell even when empty keeps the border and the text type.
            file.check(text.isEmpty()
                           ? worksheet_write_blank(sheet, row, lxw_col_t(c), body)
                           : worksheet_write_string(sheet, row, lxw_col_t(c), text.constData(), body));
        }
    }
    return file.commit();
}

} // namespace ScanListWorkbook
