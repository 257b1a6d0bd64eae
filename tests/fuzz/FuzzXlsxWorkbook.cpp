// Any .xlsx a user may import: the input as the workbook file itself, and as
// the worksheet and shared strings of a workbook packed around it (past the
// zip layer, which random bytes rarely get through). No crash, and every
// sheet read is sparse and ordered as SheetGrid promises.
#include <QFile>

#include <cstdint>
#include <cstdlib>

#include <unistd.h>
#include <zip.h>

#include "XlsxWorkbook.h"

namespace {

bool pack(const QString &path, const QList<std::pair<const char *, QByteArray>> &parts)
{
    int code = 0;
    zip_t *archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive)
        return false;
    for (const auto &[name, bytes] : parts) {
        zip_source_t *source = zip_source_buffer(archive, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        const zip_int64_t index = source ? zip_file_add(archive, name, source, ZIP_FL_OVERWRITE) : -1;
        if (index < 0) {
            zip_source_free(source);
            zip_discard(archive);
            return false;
        }
        zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_STORE, 0);
    }
    return zip_close(archive) == 0;
}

void checkGrid(const SheetGrid &grid)
{
    int lastRow = -1;
    qsizetype cells = 0;
    for (const SheetRow &row : grid.rows) {
        if (row.number <= lastRow || row.number > SheetGrid::LastRow || row.cells.isEmpty())
            std::abort();
        lastRow = row.number;
        int lastColumn = -1;
        for (const SheetCell &cell : row.cells) {
            if (cell.column <= lastColumn || cell.column >= grid.columnCount || cell.text.isEmpty())
                std::abort();
            lastColumn = cell.column;
        }
        cells += row.cells.size();
    }
    if (cells > SheetGrid::MaxCells)
        std::abort();
}

void readAll(const QString &path)
{
    Result<std::unique_ptr<WorkbookReader>> book = XlsxWorkbook::open(path);
    if (!book)
        return;
    for (int s = 0; s < (*book)->sheetNames().size(); ++s) {
        const Result<SheetGrid> grid = (*book)->readSheet(s);
        if (grid)
            checkGrid(*grid);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString path = QStringLiteral("/tmp/fuzz-xlsx-%1.xlsx").arg(::getpid());
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(input) != input.size())
            std::abort();
    }
    readAll(path);

    // Before the first NUL: the cells of the worksheet; after it: shared strings.
    const qsizetype split = input.indexOf('\0');
    const QByteArray rows = split < 0 ? input : input.left(split);
    const QByteArray strings = split < 0 ? QByteArray() : input.mid(split + 1);
    const QByteArray main = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
    const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    const QList<std::pair<const char *, QByteArray>> parts = {
        {"xl/workbook.xml",
         "<workbook " + main + " xmlns:r=\"" + rel +
             "\"><sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels", "<Relationships><Relationship Id=\"rId1\" Type=\"" + rel +
                                           "/worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>"},
        {"xl/worksheets/sheet1.xml",
         "<worksheet " + main + "><sheetData>" + rows + "</sheetData></worksheet>"},
        {"xl/sharedStrings.xml", "<sst " + main + ">" + strings + "</sst>"},
    };
    if (!pack(path, parts))
        std::abort();
    readAll(path);
    QFile::remove(path);
    return 0;
}
