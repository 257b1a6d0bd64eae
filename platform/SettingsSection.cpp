#include "platform/SettingsSection.h"

#include <QSettings>
#include <QStandardPaths>

namespace {

// The stored spelling of a value name, or an empty text when none matches.
QString storedName(QSettings &settings, const QString &name)
{
    const QStringList keys = settings.childKeys();
    for (const QString &key : keys) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return key;
    }
    return {};
}

} // namespace

SettingsSection::SettingsSection(QString application, QString section)
    : m_application(std::move(application)), m_section(std::move(section))
{
}

QString SettingsSection::filePath() const
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') +
           m_application + QLatin1Char('/') + m_application + QStringLiteral(".conf");
}

QString SettingsSection::value(const QString &name, const QString &fallback) const
{
    QSettings settings(filePath(), QSettings::IniFormat);
    settings.beginGroup(m_section);
    const QString key = storedName(settings, name);
    return key.isEmpty() ? fallback : settings.value(key).toString();
}

int SettingsSection::intValue(const QString &name, int fallback) const
{
    bool ok = false;
    const int number = value(name).trimmed().toInt(&ok);
    return ok ? number : fallback;
}

bool SettingsSection::contains(const QString &name) const
{
    QSettings settings(filePath(), QSettings::IniFormat);
    settings.beginGroup(m_section);
    return !storedName(settings, name).isEmpty();
}

void SettingsSection::setValue(const QString &name, const QString &value) const
{
    QSettings settings(filePath(), QSettings::IniFormat);
    settings.beginGroup(m_section);
    const QString old = storedName(settings, name);
    if (!old.isEmpty() && old != name)
        settings.remove(old);
    settings.setValue(name, value);
}

void SettingsSection::remove(const QString &name) const
{
    QSettings settings(filePath(), QSettings::IniFormat);
    settings.beginGroup(m_section);
    if (const QString old = storedName(settings, name); !old.isEmpty())
        settings.remove(old);
}
