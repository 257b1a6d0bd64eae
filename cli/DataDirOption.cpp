#include "cli/DataDirOption.h"

#include "platform/DataFolder.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

namespace DataDirOption {

Result<QString> read(const QCommandLineParser &parser, Missing missing)
{
    const QString given = parser.value(QStringLiteral("data-dir"));
    const QString folder = DataFolder::resolve(given);
    if (!given.isEmpty() && missing == Missing::Refused && !QFileInfo(folder).isDir())
        return Failure{
            QStringLiteral("The data folder \"%1\" does not exist.").arg(QDir::toNativeSeparators(folder))};
    return folder;
}

} // namespace DataDirOption
