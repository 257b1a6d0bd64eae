#include "tools/ShutdownOptions.h"

#include "platform/SettingsSection.h"

namespace {

QString flagText(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

SettingsSection ShutdownOptions::section()
{
    return SettingsSection(QStringLiteral("Netkestrel"), QStringLiteral("Settings"));
}

ShutdownOptions ShutdownOptions::load(const SettingsSection &section)
{
    const ShutdownOptions defaults;
    ShutdownOptions options;
    options.force = section.intValue(QStringLiteral("IsForce"), 0) != 0;
    options.message = section.value(QStringLiteral("Message"), defaults.message).left(MaxMessageLength);
    options.delay = section.value(QStringLiteral("Delay"), defaults.delay);
    options.reboot = section.intValue(QStringLiteral("IsReboot"), 0) != 0;
    return options;
}

void ShutdownOptions::store(const SettingsSection &section) const
{
    section.setValue(QStringLiteral("IsForce"), flagText(force));
    section.setValue(QStringLiteral("Message"), message);
    section.setValue(QStringLiteral("Delay"), delay);
    section.setValue(QStringLiteral("IsReboot"), flagText(reboot));
}
