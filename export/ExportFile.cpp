#include "export/ExportFile.h"

#include <QDir>
#include <QSaveFile>

#include <cerrno>

namespace ExportFile {

namespace {

// Why the bytes did not reach the file; empty when they did. A file system
// that refuses bytes (a full disk) leaves QSaveFile's own error unset, so that
// it says "Unknown error", and its commit may even rename a file whose
// buffered bytes never reached the disk: the bytes are flushed and checked
// before the commit, and the system's error says why.
QString writeWhole(QSaveFile &file, const QByteArray &bytes)
{
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    errno = 0;
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const int systemError = errno;
        return systemError != 0 ? qt_error_string(systemError) : file.errorString();
    }
    return file.commit() ? QString() : file.errorString();
}

} // namespace

Result<> replace(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path); // a file left uncommitted is removed with it
    const QString reason = writeWhole(file, bytes);
    if (reason.isEmpty())
        return {};
    return Failure{
        QStringLiteral("The file %1 cannot be written.\r\n%2").arg(QDir::toNativeSeparators(path), reason)};
}

} // namespace ExportFile
