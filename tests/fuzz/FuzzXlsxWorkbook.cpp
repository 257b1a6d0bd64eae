// Any .xlsx a user may import: the input as the worksheet and the shared
// strings of a workbook packed around it (random bytes rarely get through the
// zip layer itself, whose reader is the library's). No crash, and every sheet
// read is sparse and ordered as SheetGrid promises.
#include <QFile>

#include <cstdint>
#include <cstdlib>

#include <unistd.h>
#include <zip.h>

#include "sheets/XlsxWorkbook.h"
#include "tests/sheets/SheetTools.h"

namespace {

bool pack(const QString &path, const QList<std::pair<const char *, QByteArray>> &parts)
{
    zip_t *archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
    if (!archive)
        return false;
    for (const auto &[name, bytes] : parts) {
        zip_source_t *source = zip_source_buffer(archive, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        if (!source || zip_file_add(archive, name, source, 0) < 0)
            return false;
    }
    return zip_close(archive) == 0;
}

void check(bool holds)
{
    if (!holds)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Before the first NUL: the cells of the worksheet; after it: shared strings.
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype split = input.indexOf('\0');
    const QString path = QStringLiteral("/tmp/fuzz-xlsx-%1.xlsx").arg(::getpid());
    check(pack(path, SheetTools::oneSheetParts(input.left(split < 0 ? size : split),
                                               split < 0 ? QByteArray() : input.mid(split + 1))));
    Result<std::unique_ptr<WorkbookReader>> book = XlsxWorkbook::open(path);
    const Result<SheetGrid> grid = book ? (*book)->readSheet(0) : Result<SheetGrid>(Failure{QString()});
    QFile::remove(path);
    if (!grid)
        return 0;
    int lastRow = -1;
    qsizetype cells = 0;
    for (const SheetRow &row : grid->rows) {
        check(row.number > lastRow && row.number <= SheetGrid::LastRow && !row.cells.isEmpty());
        lastRow = row.number;
        int lastColumn = -1;
        for (const SheetCell &cell : row.cells) {
            check(cell.column > lastColumn && cell.column < grid->columnCount && !cell.text.isEmpty());
            lastColumn = cell.column;
        }
        cells += row.cells.size();
    }
    check(cells <= SheetGrid::MaxCells);
    return 0;
}
