#include "app/dialogs/DatabaseConnection.h"

#include "mail/ReportSettings.h"
#include "platform/SettingsSection.h"

namespace {

const QString UrlValue = QStringLiteral("ServerURL");
const QString PasswordFileValue = QStringLiteral("PasswordFile");
const QString SiteValue = QStringLiteral("Site");

SettingsSection section()
{
    return SettingsSection(QLatin1String(ReportSettings::Application),
                           QLatin1String(DatabaseConnection::Section));
}

} // namespace

Result<std::optional<DatabaseUrl>> DatabaseConnection::server() const
{
    if (isEmbedded())
        return std::optional<DatabaseUrl>();
    Result<DatabaseUrl> parsed = DatabaseUrl::parse(url.trimmed(), passwordFile.trimmed());
    if (!parsed)
        return Failure{parsed.error()};
    return std::optional<DatabaseUrl>(*parsed);
}

DatabaseConnection DatabaseConnection::load()
{
    const SettingsSection values = section();
    return {values.value(UrlValue), values.value(PasswordFileValue), values.value(SiteValue).trimmed()};
}

void DatabaseConnection::save() const
{
    const SettingsSection values = section();
    if (site.trimmed().isEmpty())
        values.remove(SiteValue);
    else
        values.setValue(SiteValue, site.trimmed());
    if (isEmbedded()) {
        values.remove(UrlValue);
        values.remove(PasswordFileValue);
        return;
    }
    values.setValue(UrlValue, url.trimmed());
    if (passwordFile.trimmed().isEmpty())
        values.remove(PasswordFileValue);
    else
        values.setValue(PasswordFileValue, passwordFile.trimmed());
}
