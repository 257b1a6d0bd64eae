#pragma once

#include <QString>

// The program's data folder: it holds the record database, its backups, the
// report files, and may hold a vendor data file of the user's own.
namespace DataFolder {

// The folder given on the command line, else the user's XDG data folder for
// Netkestrel. Never ends in a separator.
QString resolve(const QString &givenFolder = {});

// Creates the folder when missing. On failure returns false and sets error
// to a message for the user.
bool ensureExists(const QString &folder, QString *error);

} // namespace DataFolder
