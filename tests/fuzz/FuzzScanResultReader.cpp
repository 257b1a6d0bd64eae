// Any file a user may open as a scan result; and what the writer writes reads
// back as it was written.
#include <QBuffer>

#include <cstdint>
#include <cstdlib>

#include "export/ScanResultLine.h"
#include "export/ScanResultReader.h"

namespace {

// Rows made of the input's text: fields separated by '|', six to a row.
// Double quotes, line ends, commas, blanks and NULs inside a field all come
// back as they were written.
QList<QStringList> rowsOf(const QByteArray &bytes)
{
    const QString text = QString::fromUtf8(bytes);
    const QStringList fields = text.split(QLatin1Char('|'));
    QList<QStringList> rows;
    for (qsizetype i = 0; i < fields.size(); i += 6) {
        QStringList row = fields.mid(i, 6);
        while (row.size() < 6)
            row.append(QString());
        rows.append(row);
    }
    return rows;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        // Any input: no crash, and no row or error made up of nothing.
        const ScanResultReader::ReadOutcome any = ScanResultReader::read(buffer);
        if (bytes.isEmpty() && (!any.ok() || !any.rows.isEmpty()))
            std::abort();
    }

    const QList<QStringList> written = rowsOf(bytes);
    QByteArray file;
    for (const QStringList &row : written)
        file += ScanResultLine::format(row);
    QBuffer buffer(&file);
    buffer.open(QIODevice::ReadOnly);
    const ScanResultReader::ReadOutcome read = ScanResultReader::read(buffer);
    if (!read.ok() || read.rows.size() != written.size())
        std::abort();
    for (qsizetype i = 0; i < written.size(); ++i) {
        if (read.rows.at(i).fields() != written.at(i))
            std::abort();
    }
    return 0;
}
