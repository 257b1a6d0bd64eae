#pragma once

#include <QString>

#include "platform/Result.h"

// The program's data folder: it holds the record database, its backups, the
// report files, and may hold a vendor data file of the user's own.
namespace DataFolder {

// The folder given on the command line, else the user's XDG data folder for
// Netkestrel. Never ends in a separator.
QString resolve(const QString &givenFolder = {});

// Creates the folder when missing, and every missing folder above it, each
// readable by its owner only: the database there holds users, departments
// and locations. A folder that exists keeps its permissions.
Result<> ensureExists(const QString &folder);

} // namespace DataFolder
