#pragma once

#include <QStringList>

// netkestrel-cli wol MAC... [--to ADDR[:PORT]]: one Wake-on-LAN magic packet
// per MAC address to 255.255.255.255 port 1001, worded as the window words
// it. --to is for tests, which aim the packets at a listener of their own.
// Exit status: 0 every packet went, 1 one was skipped or not sent, 2 bad usage.
int runWolCommand(const QStringList &arguments);
