#pragma once

#include "platform/Result.h"

#include <QString>

class QCommandLineParser;

// --data-dir DIR: the folder of the record database, its backups and the
// report files, else the user's data folder for Netkestrel.
namespace DataDirOption {

// Whether a command may make the folder that --data-dir names.
enum class Missing {
    Refused, // the commands that read or change what is there
    Made,    // the commands that add records
};

// The folder to use. A folder named on the command line that does not exist
// is refused unless missing is Made: a mistyped name would otherwise open a
// new, empty store, where every host is a finding. The default folder is
// made where needed, as before.
Result<QString> read(const QCommandLineParser &parser, Missing missing = Missing::Refused);

} // namespace DataDirOption
