#pragma once

#include <QStringList>

// netkestrel-cli shutdown TARGET [--delay N] [--message T] [--force]
// [--reboot] [--abort] [-U user[%pass]] [--password-file FILE]: the window's
// "Remote Shutdown" request (or its abort) through Samba's net, with the same
// wordings. Options not given come from the stored shutdown defaults. Without
// "%pass" the password is taken from the first line of FILE, else from the
// environment variable PASSWD, so that it need not show in a process list.
// Exit status: 0 accepted, 1 refused or net missing, 2 bad usage (a delay
// that is not a whole number from 0 to 99 among them).
int runShutdownCommand(const QStringList &arguments);
