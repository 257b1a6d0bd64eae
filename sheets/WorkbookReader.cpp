#include "sheets/WorkbookReader.h"

#include "sheets/XlsWorkbook.h"
#include "sheets/XlsxWorkbook.h"

#include <QDir>
#include <QFile>

namespace {

// Both are compound documents and zip archives by their first bytes.
const char ZipMagic[] = "PK\x03\x04";
const char CompoundMagic[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

} // namespace

QString WorkbookReader::openFailure(const QString &path, const QString &cause)
{
    return QStringLiteral("The workbook %1 cannot be opened.\r\n%2")
        .arg(QDir::toNativeSeparators(path), cause);
}

Result<std::unique_ptr<WorkbookReader>> WorkbookReader::open(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure{openFailure(path, file.errorString())};
    const QByteArray head = file.read(8);
    file.close();
    if (head.startsWith(QByteArray(ZipMagic, 4)))
        return XlsxWorkbook::open(path);
    if (head == QByteArray(CompoundMagic, 8))
        return XlsWorkbook::open(path);
    return Failure{openFailure(path, QStringLiteral("It is no .xls or .xlsx workbook."))};
}
