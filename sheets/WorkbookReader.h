#pragma once

#include <QString>
#include <QStringList>

#include <memory>

#include "platform/Result.h"
#include "sheets/SheetGrid.h"

// A workbook file opened for reading: the names of its worksheets in the
// order of the workbook, and each worksheet's cells as text (CellText). The
// file is read when opened; a reader holds no file open afterwards unless a
// format needs it. Not thread-safe.
class WorkbookReader
{
public:
    virtual ~WorkbookReader() = default;

    virtual QStringList sheetNames() const = 0;
    // index: a position in sheetNames().
    virtual Result<SheetGrid> readSheet(int index) = 0;

    // Opens a legacy .xls (BIFF) or an .xlsx workbook, told apart by their
    // content, not by the file's name. A file that is neither, cannot be read
    // or is damaged fails with a message that names the file and the cause.
    static Result<std::unique_ptr<WorkbookReader>> open(const QString &path);
    // The failure message of open for a cause.
    static QString openFailure(const QString &path, const QString &cause);
};
