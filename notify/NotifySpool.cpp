#include "notify/NotifySpool.h"

#include "platform/DataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>

namespace {

const QLatin1String Suffix(".json");
constexpr int NumberDigits = 12;

QStringList spoolFiles(const QString &folder)
{
    // Sorted by name, and every name is a number of the same width.
    return QDir(folder).entryList({QStringLiteral("*") + Suffix}, QDir::Files, QDir::Name);
}

} // namespace

NotifySpool::NotifySpool(const QString &dataFolder)
    : m_folder(QDir(dataFolder).filePath(QLatin1String(FolderName)))
{
}

Result<> NotifySpool::keep(const QByteArray &line)
{
    if (line.size() > MaxLineBytes)
        return Failure{
            QStringLiteral("The notification is longer than %1 bytes and was not kept.").arg(MaxLineBytes)};
    if (const Result<> made = DataFolder::ensureExists(m_folder); !made)
        return made;
    const QFileInfoList files =
        QDir(m_folder).entryInfoList({QStringLiteral("*") + Suffix}, QDir::Files, QDir::Name);
    qint64 bytes = line.size();
    for (const QFileInfo &file : files)
        bytes += file.size();
    if (files.size() >= MaxFiles || bytes > MaxBytes)
        return Failure{QStringLiteral(
                           "The notification spool \"%1\" is full (%2 files, at most %3 files and "
                           "%4 bytes): the receiver has not taken them; this notification is lost.")
                           .arg(m_folder)
                           .arg(files.size())
                           .arg(MaxFiles)
                           .arg(MaxBytes)};
    if (m_next < 0) {
        m_next = 1;
        for (const QFileInfo &file : files)
            m_next = std::max(m_next, file.completeBaseName().toLongLong() + 1);
    }

    const QString name = QDir(m_folder).filePath(
        QStringLiteral("%1").arg(m_next, NumberDigits, 10, QLatin1Char('0')) + Suffix);
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(line) != line.size() ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) || !file.commit())
        return Failure{
            QStringLiteral("Cannot write the notification to \"%1\": %2").arg(name, file.errorString())};
    ++m_next;
    return {};
}

QStringList NotifySpool::pending() const
{
    QStringList files = spoolFiles(m_folder);
    for (QString &file : files)
        file = QDir(m_folder).filePath(file);
    return files;
}

Result<QByteArray> NotifySpool::read(const QString &file) const
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return Failure{QStringLiteral("Cannot read the notification \"%1\": %2").arg(file, in.errorString())};
    if (in.size() > MaxLineBytes)
        return Failure{
            QStringLiteral("The notification \"%1\" is longer than %2 bytes.").arg(file).arg(MaxLineBytes)};
    const QByteArray line = in.read(MaxLineBytes + 1);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (line.size() > MaxLineBytes || error.error != QJsonParseError::NoError || !document.isObject())
        return Failure{QStringLiteral("The notification \"%1\" is no JSON object.").arg(file)};
    return line;
}

Result<> NotifySpool::remove(const QString &file) const
{
    QFile sent(file);
    if (!sent.remove())
        return Failure{
            QStringLiteral("Cannot remove the sent notification \"%1\": %2").arg(file, sent.errorString())};
    return {};
}

QString NotifySpool::setAside(const QString &file) const
{
    const QString aside = file + QStringLiteral(".damaged");
    QFile::remove(aside);
    return QFile::rename(file, aside) ? aside : file;
}
