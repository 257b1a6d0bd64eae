#include "ExportFile.h"

#include <QDir>
#include <QSaveFile>

namespace ExportFile {

Result<> replace(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return {};
    return Failure{QStringLiteral("The file %1 cannot be written.\r\n%2")
                       .arg(QDir::toNativeSeparators(path), file.errorString())};
}

} // namespace ExportFile
