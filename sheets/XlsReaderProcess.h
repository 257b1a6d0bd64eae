#pragma once

#include <QByteArray>
#include <QString>

#include "platform/Result.h"

// Runs netkestrel-xls-reader on a file and collects what it prints, bounded
// in bytes and time: FreeXL reads the file in that child, so its faults on a
// damaged file end the child, never the program. The reader is found by an
// absolute path beside the program or in the program's library folder, never
// through PATH. Failures carry the cause only; the caller names the file.
namespace XlsReaderProcess {

constexpr const char *ProgramName = "netkestrel-xls-reader";
constexpr const char *UnreadableText = "The file cannot be read as a workbook.";
// Far more than a sheet of every host of a scan prints.
constexpr qint64 MaxOutputBytes = qint64(128) * 1024 * 1024;
constexpr int TimeoutMs = 30000;

// The reader's path; empty when it is not installed.
QString program();
// The reader's whole output, which ends in its end line.
Result<QByteArray> run(const QString &path);

} // namespace XlsReaderProcess
