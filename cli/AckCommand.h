#pragma once

#include <QStringList>

// netkestrel-cli ack add|list|remove: the acknowledged findings of the record
// database. Exit status: 0 done, 1 failed or nothing to withdraw, 2 bad usage.
int runAckCommand(const QStringList &arguments);
