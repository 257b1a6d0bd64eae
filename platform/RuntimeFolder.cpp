#include "platform/RuntimeFolder.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// lstat, not stat: a symbolic link may point into a folder another user controls.
Result<> checkPrivate(const QString &folder)
{
    auto refusal = [&folder](const QString &why) {
        return Failure{QStringLiteral("the folder \"%1\" %2").arg(folder, why)};
    };
    struct stat status
    {
    };
    if (::lstat(QFile::encodeName(folder).constData(), &status) != 0)
        return refusal(
            QStringLiteral("cannot be read (%1)").arg(QString::fromLocal8Bit(std::strerror(errno))));
    if (S_ISLNK(status.st_mode))
        return refusal(QStringLiteral("is a symbolic link"));
    if (!S_ISDIR(status.st_mode))
        return refusal(QStringLiteral("is not a folder"));
    if (status.st_uid != ::geteuid())
        return refusal(QStringLiteral("belongs to another user"));
    if ((status.st_mode & 077) != 0)
        return refusal(QStringLiteral("is open to other users"));
    return {};
}

} // namespace

namespace RuntimeFolder {

Result<QString> resolve()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && checkPrivate(runtime))
        return QDir::cleanPath(runtime);
    const QString own = QDir::cleanPath(QDir::tempPath()) + QStringLiteral("/netkestrel-%1").arg(::geteuid());
    if (::mkdir(QFile::encodeName(own).constData(), 0700) != 0 && errno != EEXIST)
        return Failure{QStringLiteral("the folder \"%1\" cannot be made (%2)")
                           .arg(own, QString::fromLocal8Bit(std::strerror(errno)))};
    if (Result<> checked = checkPrivate(own); !checked)
        return Failure{checked.error()};
    return own;
}

} // namespace RuntimeFolder
