#pragma once

#include "WorkbookReader.h"

// A legacy .xls (BIFF) workbook read through FreeXL, which keeps the file
// open until the reader goes. FreeXL gives dates and times as text already
// and numbers as INT or DOUBLE. Encrypted workbooks are refused.
class XlsWorkbook : public WorkbookReader
{
public:
    static Result<std::unique_ptr<WorkbookReader>> open(const QString &path);
    ~XlsWorkbook() override;

    QStringList sheetNames() const override { return m_sheetNames; }
    Result<SheetGrid> readSheet(int index) override;

private:
    XlsWorkbook(const QString &path, const void *handle) : m_path(path), m_handle(handle) {}

    QString m_path;
    const void *m_handle = nullptr;
    QStringList m_sheetNames;
};
