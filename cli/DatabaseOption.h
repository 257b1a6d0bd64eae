#pragma once

#include "platform/Result.h"
#include "records/DatabaseUrl.h"

#include <optional>

class QCommandLineParser;
class QString;

// --database URL and --password-file FILE of every command that opens the
// record store: the store on a PostgreSQL server instead of kestrel.mdb in
// the data folder.
namespace DatabaseOption {

// The lines for a command's usage text.
extern const char UsageText[];

// The analysis commands, whose --password-file is the mail server's, name
// the option --database-password-file instead.
void addTo(QCommandLineParser &parser, const char *passwordOption = "password-file");
// The server that --database names, or nothing for the file in the data
// folder. A failure is a usage error: a URL that is none, a password in it,
// or --password-file without --database.
Result<std::optional<DatabaseUrl>> read(const QCommandLineParser &parser,
                                        const char *passwordOption = "password-file");

} // namespace DatabaseOption
