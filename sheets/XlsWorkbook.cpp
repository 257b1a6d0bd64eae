#include "XlsWorkbook.h"

#include "CellText.h"

#include <QDir>
#include <QFile>

#include <freexl.h>

namespace {

QString cause(int code)
{
    if (code == FREEXL_FILE_NOT_FOUND)
        return QStringLiteral("The file cannot be read.");
    return QStringLiteral("The file is damaged or is no .xls workbook (error %1).").arg(code);
}

QString cellText(const FreeXL_CellValue &cell)
{
    switch (cell.type) {
    case FREEXL_CELL_INT:
        return QString::number(cell.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return CellText::number(cell.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
        return cell.value.text_value ? QString::fromUtf8(cell.value.text_value) : QString();
    default:
        return {};
    }
}

} // namespace

Result<std::unique_ptr<WorkbookReader>> XlsWorkbook::open(const QString &path)
{
    const void *handle = nullptr;
    const int opened = freexl_open(QFile::encodeName(path).constData(), &handle);
    if (opened != FREEXL_OK) {
        if (handle)
            freexl_close(handle);
        return Failure{openFailure(path, cause(opened))};
    }
    std::unique_ptr<XlsWorkbook> book(new XlsWorkbook(path, handle));
    unsigned int password = 0;
    if (freexl_get_info(handle, FREEXL_BIFF_PASSWORD, &password) == FREEXL_OK &&
        password == FREEXL_BIFF_OBFUSCATED)
        return Failure{openFailure(path, QStringLiteral("The workbook is protected by a password."))};
    unsigned int count = 0;
    if (const int info = freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &count); info != FREEXL_OK)
        return Failure{openFailure(path, cause(info))};
    for (unsigned int k = 0; k < count; ++k) {
        const char *name = nullptr;
        if (const int got = freexl_get_worksheet_name(handle, static_cast<unsigned short>(k), &name);
            got != FREEXL_OK)
            return Failure{openFailure(path, cause(got))};
        book->m_sheetNames.append(QString::fromUtf8(name ? name : ""));
    }
    return std::unique_ptr<WorkbookReader>(std::move(book));
}

XlsWorkbook::~XlsWorkbook()
{
    if (m_handle)
        freexl_close(m_handle);
}

Result<SheetGrid> XlsWorkbook::readSheet(int index)
{
    const auto failed = [this](int code) {
        return Failure{QStringLiteral("The sheet cannot be read from %1.\r\n%2")
                           .arg(QDir::toNativeSeparators(m_path), cause(code))};
    };
    if (index < 0 || index >= m_sheetNames.size())
        return failed(FREEXL_BIFF_ILLEGAL_SHEET_INDEX);
    if (const int selected = freexl_select_active_worksheet(m_handle, static_cast<unsigned short>(index));
        selected != FREEXL_OK)
        return failed(selected);
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (const int sized = freexl_worksheet_dimensions(m_handle, &rows, &columns); sized != FREEXL_OK)
        return failed(sized);
    SheetGrid grid;
    grid.columnCount = columns;
    grid.rows.reserve(rows);
    for (unsigned int r = 0; r < rows; ++r) {
        QStringList row;
        row.reserve(columns);
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue cell;
            if (const int got = freexl_get_cell_value(m_handle, r, c, &cell); got != FREEXL_OK)
                return failed(got);
            row.append(cellText(cell));
        }
        grid.rows.append(row);
    }
    return grid;
}
