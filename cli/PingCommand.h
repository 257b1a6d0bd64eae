#pragma once

#include <QStringList>

// netkestrel-cli ping ADDRESS [--timeout-ms N]: one ICMP echo, worded as the
// ping tool words it. `arguments` are those after the word "ping".
// Exit status: 0 a reply came, 1 none came, 2 bad usage.
int runPingCommand(const QStringList &arguments);
