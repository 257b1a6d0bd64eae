#pragma once

#include <QStringList>

// netkestrel-cli message TARGET TEXT: sends TEXT to TARGET (an address or a
// NetBIOS name) as the window's "Send Message" does, and prints its wording.
// Exit status: 0 delivered, 1 not delivered or smbclient missing, 2 bad usage.
int runMessageCommand(const QStringList &arguments);
