#pragma once

#include <QString>

#include "platform/Result.h"

// The logon entry: an XDG autostart file "Fernlow-S.desktop" in the user's
// autostart folder ($XDG_CONFIG_HOME/autostart, else ~/.config/autostart).
// Its Exec line is the program's own command followed by " mini", which
// starts the program hidden in the tray at every logon. The file keeps its
// old name, so that an entry written earlier is still found and removed;
// the name the desktop shows is the program's.
class AutostartEntry
{
public:
    static constexpr const char *EntryName = "Fernlow-S";

    // folder: the autostart folder; empty means the user's own.
    explicit AutostartEntry(const QString &folder = {});

    static QString defaultFolder();
    QString filePath() const;

    // The command that starts this program at logon: the executable's path,
    // quoted the way Exec lines quote arguments when it needs it, + " mini".
    static QString ownCommand(const QString &executablePath);

    // Writes the entry (atomically) with that Exec command.
    Result<> write(const QString &command);
    // The Exec command of the entry; empty when there is no entry, it cannot
    // be read, or it is marked Hidden (which the XDG rules treat as deleted).
    QString readCommand() const;
    // Deletes the entry. Succeeds when none is left.
    Result<> remove();

private:
    QString m_folder;
};
