#include "export/ScanResultFile.h"

#include "export/ScanResultLine.h"

#include <QDir>
#include <QSaveFile>

namespace ScanResultFile {

namespace {

Failure writeFailure(const QString &path, const QString &reason)
{
    return Failure{QStringLiteral("The scan result file %1 cannot be written.\r\n%2")
                       .arg(QDir::toNativeSeparators(path), reason)};
}

} // namespace

Result<> write(QIODevice &device, const QList<ScanRow> &rows)
{
    // One buffer for many rows keeps a large list from costing a write call a row.
    constexpr qsizetype FlushAt = 256 * 1024;
    QByteArray pending;
    for (const ScanRow &row : rows) {
        pending += ScanResultLine::format(
            {row.number, row.ipAddress, row.macAddress, row.hostName, row.workgroup, row.vendor});
        if (pending.size() >= FlushAt || &row == &rows.constLast()) {
            if (device.write(pending) != pending.size())
                return Failure{device.errorString()};
            pending.clear();
        }
    }
    return {};
}

Result<> save(const QString &path, const QList<ScanRow> &rows)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return writeFailure(path, file.errorString());
    if (const Result<> written = write(file, rows); !written) {
        file.cancelWriting();
        return writeFailure(path, written.error());
    }
    if (!file.commit())
        return writeFailure(path, file.errorString());
    return {};
}

} // namespace ScanResultFile
