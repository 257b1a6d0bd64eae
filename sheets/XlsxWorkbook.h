#pragma once

#include <QHash>
#include <QList>

#include "sheets/WorkbookReader.h"
#include "sheets/XlsxStyles.h"
#include "sheets/ZipArchive.h"

// An .xlsx workbook (Office Open XML): a zip archive of XML parts. Reads the
// worksheet names and their parts from the workbook and its relationships,
// the shared strings, and of the styles only the date formats. Cells: shared
// and inline strings (rich text runs joined), numbers (as dates where their
// style shows a date), booleans, error values, cached formula results.
// Chart sheets are not listed. Sheets are read sparse (SheetGrid) and
// bounded in cells, shared strings and worksheets, whatever the file claims.
// The archive stays open until the reader goes.
class XlsxWorkbook : public WorkbookReader
{
public:
    static Result<std::unique_ptr<WorkbookReader>> open(const QString &path);

    QStringList sheetNames() const override { return m_sheetNames; }
    Result<SheetGrid> readSheet(int index) override;

private:
    // Far more than any workbook of records holds.
    static constexpr qsizetype MaxSheets = 4096;

    struct PartNames
    {
        QHash<QString, QString> worksheets; // by relationship ID
        QString sharedStrings = QStringLiteral("xl/sharedStrings.xml");
        QString styles = QStringLiteral("xl/styles.xml");
    };

    XlsxWorkbook(const QString &path, ZipArchive archive) : m_path(path), m_archive(std::move(archive)) {}

    Result<> readWorkbook();
    Result<PartNames> readRelations() const;
    Result<> readSheetList(const QHash<QString, QString> &worksheetTargets);
    Result<> readSharedStrings(const QString &partName);
    Result<QByteArray> part(const QString &name, bool required) const;
    QString cellText(const QString &type, int style, const QString &value, const QString &inlineText) const;

    QString m_path;
    ZipArchive m_archive;
    QStringList m_sheetNames;
    QStringList m_sheetParts;
    QStringList m_sharedStrings;
    XlsxStyles m_styles;
    bool m_date1904 = false;
};
