#pragma once

#include <QByteArray>
#include <QString>

#include "platform/Result.h"

// Writes an export file whole: the bytes go to a temporary file beside it,
// which then takes the file's name, so a write that fails leaves any earlier
// file as it was.
namespace ExportFile {

Result<> replace(const QString &path, const QByteArray &bytes);

} // namespace ExportFile
