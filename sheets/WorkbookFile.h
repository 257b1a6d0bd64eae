#pragma once

#include <QString>

#include "Result.h"

#include <xlsxwriter.h>

// A workbook being written with libxlsxwriter to a file of the caller's
// choice. It goes to a scratch name beside the file and takes the file's
// name only when complete, so a failed export leaves an earlier file as it
// was. Formats and worksheets belong to the workbook; discarded with it.
class WorkbookFile
{
public:
    explicit WorkbookFile(const QString &path);
    ~WorkbookFile();
    WorkbookFile(const WorkbookFile &) = delete;
    WorkbookFile &operator=(const WorkbookFile &) = delete;

    // Null when the workbook could not be set up (commit() then fails).
    lxw_workbook *workbook() const { return m_workbook; }
    // Remembers the first error of a write into the workbook.
    void check(lxw_error error)
    {
        if (m_error == LXW_NO_ERROR)
            m_error = error;
    }

    // Writes the file out and gives it its name.
    Result<> commit();

private:
    Failure fail(const QString &cause) const;

    QString m_path;
    QString m_scratchPath;
    lxw_workbook *m_workbook = nullptr;
    lxw_error m_error = LXW_NO_ERROR;
};
