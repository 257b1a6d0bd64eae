#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include "platform/Result.h"

#include <xlsxwriter.h>

// A workbook being written with libxlsxwriter to a file of the caller's
// choice. libxlsxwriter writes to a name it opens without care for links, so
// it writes into a private folder of our own (random name, owner only); the
// complete workbook then goes to the file as every other file does, through
// QSaveFile, so a failed export leaves an earlier file as it was and a link
// planted beside the file is never followed. Formats and worksheets belong
// to the workbook; discarded with it.
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

    Result<> copyToTarget() const;

    QString m_path;
    QTemporaryDir m_scratchDir;
    QString m_scratchPath;
    QByteArray m_scratchDirName; // held for libxlsxwriter's own temporary files
    lxw_workbook *m_workbook = nullptr;
    lxw_error m_error = LXW_NO_ERROR;
};
