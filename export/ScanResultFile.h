#pragma once

#include <QList>
#include <QString>

#include "lists/ScanRow.h"
#include "platform/Result.h"

class QIODevice;

// Writes scan rows as a scan result file, one ScanResultLine per row in the
// order given. The file on disk is replaced only once the new one is written
// whole: a save that fails part way leaves the old file as it was.
namespace ScanResultFile {

Result<> write(QIODevice &device, const QList<ScanRow> &rows);
Result<> save(const QString &path, const QList<ScanRow> &rows);

} // namespace ScanResultFile
