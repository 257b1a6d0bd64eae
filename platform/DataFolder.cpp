#include "platform/DataFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

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

Result<> ensureExists(const QString &folder)
{
    // QDir::mkpath takes no permissions, so the missing folders are made one
    // by one from the deepest one that exists.
    const QString path = QDir::cleanPath(QDir(folder).absolutePath());
    QStringList missing;
    for (QString at = path; !QFileInfo(at).exists(); at = QFileInfo(at).path()) {
        missing.prepend(at);
        if (QFileInfo(at).path() == at)
            break;
    }
    constexpr QFileDevice::Permissions OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ExeOwner;
    for (const QString &at : std::as_const(missing)) {
        // Another process may make the same folder at the same moment.
        if (!QDir().mkdir(at, OwnerOnly) && !QFileInfo(at).isDir())
            break;
    }
    if (QFileInfo(path).isDir())
        return {};
    return Failure{
        QStringLiteral("The data folder \"%1\" cannot be created.").arg(QDir::toNativeSeparators(path))};
}

} // namespace DataFolder
