#pragma once

#include <QString>

class SettingsSection;

// The default options of a remote shutdown request as the options dialog
// keeps them in the "Netkestrel"/"Settings" store: "IsForce", "Message",
// "Delay" and "IsReboot", one text each. The delay stays text: a value
// written by hand is shown as it is and checked when it is used.
struct ShutdownOptions
{
    static constexpr int MaxMessageLength = 127;

    bool force = false;
    QString message;
    QString delay = QStringLiteral("30");
    bool reboot = false;

    static SettingsSection section();
    // Absent values take the defaults above; a longer message is cut to 127.
    static ShutdownOptions load(const SettingsSection &section);
    void store(const SettingsSection &section) const;
};
