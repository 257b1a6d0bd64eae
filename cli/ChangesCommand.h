#pragma once

#include <QStringList>

// netkestrel-cli changes: the change events of the completed scans.
int runChangesCommand(const QStringList &arguments);
