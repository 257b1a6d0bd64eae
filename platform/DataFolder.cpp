#include "DataFolder.h"

#include <QDir>
#include <QStandardPaths>

namespace DataFolder {

QString resolve(const QString &givenFolder)
{
    QString folder = givenFolder;
    if (folder.isEmpty()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                 QStringLiteral("/Netkestrel");
    }
    return QDir::cleanPath(QDir(folder).absolutePath());
}

bool ensureExists(const QString &folder, QString *error)
{
    if (QDir(folder).exists() || QDir().mkpath(folder))
        return true;
    if (error)
        *error = QStringLiteral("The data folder \"%1\" cannot be created.").arg(QDir::toNativeSeparators(folder));
    return false;
}

} // namespace DataFolder
