#include "mail/ReportSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include "platform/SettingsSection.h"

namespace {

SettingsSection store()
{
    return SettingsSection(QLatin1String(ReportSettings::Application),
                           QLatin1String(ReportSettings::Section));
}

bool flag(const SettingsSection &section, const char *name, bool fallback)
{
    return section.intValue(QLatin1String(name), fallback ? 1 : 0) != 0;
}

int bounded(int value, int last, int fallback)
{
    return value >= 0 && value <= last ? value : fallback;
}

QString readPassword()
{
    QFile file(ReportSettings::passwordFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

Result<> writePassword(const QString &password)
{
    const QString path = ReportSettings::passwordFilePath();
    if (password.isEmpty()) {
        if (QFile::exists(path) && !QFile::remove(path))
            return Failure{QStringLiteral("The password file %1 could not be removed.").arg(path)};
        return {};
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    // Owner-only before the first byte is written, so the password is never
    // readable by others, not even for a moment.
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(password.toUtf8()) < 0 || !file.commit())
        return Failure{
            QStringLiteral("The password file %1 could not be written: %2").arg(path, file.errorString())};
    return {};
}

} // namespace

QString ReportSettings::passwordFilePath()
{
    return QFileInfo(store().filePath()).absolutePath() + QStringLiteral("/smtp-password");
}

ReportSettings ReportSettings::load()
{
    const SettingsSection section = store();
    ReportSettings s;
    s.useAuthentication = flag(section, "AUTH", s.useAuthentication);
    s.smtpHost = section.value(QStringLiteral("SMTPHOST"));
    s.smtpPort = bounded(section.intValue(QStringLiteral("SMTPPort"), s.smtpPort), 65535, s.smtpPort);
    s.user = section.value(QStringLiteral("USER"));
    s.sender = section.value(QStringLiteral("SENDER"));
    s.recipient = section.value(QStringLiteral("Recipient"));
    s.subject = section.value(QStringLiteral("Subject"));
    s.message = section.value(QStringLiteral("Message"));
    s.isSend = flag(section, "ISsend", s.isSend);
    s.hour = bounded(section.intValue(QStringLiteral("Hour"), s.hour), 23, s.hour);
    s.minute = bounded(section.intValue(QStringLiteral("Minute"), s.minute), 59, s.minute);
    s.isResult = flag(section, "ISresult", s.isResult);
    if (const auto encryption = parseEncryption(section.value(QStringLiteral("Encryption"))))
        s.encryption = *encryption;
    s.caFile = section.value(QStringLiteral("CAFile"));

    s.password = readPassword();
    if (section.contains(QStringLiteral("PASS"))) {
        const QString old = section.value(QStringLiteral("PASS"));
        if (s.password.isEmpty())
            s.password = old;
        if (s.password != old || writePassword(s.password).ok())
            section.remove(QStringLiteral("PASS"));
    }
    return s;
}

Result<> ReportSettings::save() const
{
    const SettingsSection section = store();
    section.setValue(QStringLiteral("SMTPHost"), smtpHost);
    section.setValue(QStringLiteral("SMTPPort"), smtpPort);
    section.setValue(QStringLiteral("USER"), user);
    section.setValue(QStringLiteral("SENDER"), sender);
    section.setValue(QStringLiteral("AUTH"), useAuthentication ? 1 : 0);
    section.setValue(QStringLiteral("Recipient"), recipient);
    section.setValue(QStringLiteral("Subject"), subject);
    section.setValue(QStringLiteral("Message"), message);
    section.setValue(QStringLiteral("ISsend"), isSend ? 1 : 0);
    section.setValue(QStringLiteral("Hour"), hour);
    section.setValue(QStringLiteral("Minute"), minute);
    section.setValue(QStringLiteral("ISresult"), isResult ? 1 : 0);
    section.setValue(QStringLiteral("Encryption"), encryptionName(encryption));
    section.setValue(QStringLiteral("CAFile"), caFile);
    return writePassword(password);
}

QString ReportSettings::scheduledText() const
{
    return QString::number(hour) + QLatin1Char(':') + QString::number(minute);
}
