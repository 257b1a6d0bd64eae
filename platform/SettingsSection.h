#pragma once

#include <QString>

// One section of the per-user application settings store: the values of one
// application name and section, kept as texts in
// <config>/<application>/<application>.conf (INI, one group per section).
// Value names are matched without regard to case, as the registry matches
// them: reading "SMTPHOST" finds a value written as "SMTPHost", and writing
// replaces it under the name written last. The file is opened anew at every
// call, so that a changed XDG_CONFIG_HOME counts and two owners of the same
// section see each other's writes.
class SettingsSection
{
public:
    SettingsSection(QString application, QString section);

    QString filePath() const;

    QString value(const QString &name, const QString &fallback = {}) const;
    int intValue(const QString &name, int fallback) const;
    bool contains(const QString &name) const;
    void setValue(const QString &name, const QString &value) const;
    void setValue(const QString &name, int value) const { setValue(name, QString::number(value)); }
    // Removes the value under whatever spelling it was stored.
    void remove(const QString &name) const;

private:
    QString m_application;
    QString m_section;
};
