#pragma once

#include <QByteArrayView>
#include <QList>

#include <array>

#include "sheets/WorkbookReader.h"

// A legacy .xls (BIFF) workbook. FreeXL reads it in a child process of our
// own (XlsReaderProcess), whose output is read here with limits, all sheets
// at once when the workbook is opened. FreeXL gives dates and times as text
// already and numbers as INT or DOUBLE. Encrypted workbooks are refused.
class XlsWorkbook : public WorkbookReader
{
public:
    static Result<std::unique_ptr<WorkbookReader>> open(const QString &path);

    // The tab-separated fields of one line of the reader's output.
    struct Fields
    {
        std::array<QByteArrayView, 6> views;
        qsizetype count = 0;
        QByteArrayView at(qsizetype i) const { return views.at(size_t(i)); }
    };

    QStringList sheetNames() const override { return m_sheetNames; }
    Result<SheetGrid> readSheet(int index) override;

private:
    struct Sheet
    {
        SheetGrid grid;
        QString failure; // the cause when the sheet cannot be read
    };

    explicit XlsWorkbook(const QString &path) : m_path(path) {}
    // The reader's output, checked line by line; a failure carries the cause.
    Result<> readOutput(const QByteArray &output);
    Result<> takeLine(const Fields &fields, QList<SheetGridBuilder> &builders);
    Result<> takeCell(const Fields &fields, QList<SheetGridBuilder> &builders);

    QString m_path;
    QStringList m_sheetNames;
    QList<Sheet> m_sheets;
};
