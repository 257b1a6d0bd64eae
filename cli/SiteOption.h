#pragma once

#include "platform/Result.h"

#include <QString>

class QCommandLineParser;

// --site NAME: the part of a shared store that a watcher writes (the
// commands that scan) or that a listing shows (history, changes).
namespace SiteOption {

// The commands that scan tag what they write with the site.
void addForWriting(QCommandLineParser &parser);
// The listings show one site; every site without the option.
void addForReading(QCommandLineParser &parser);

// The name given, trimmed, or an empty text without the option (the writers
// then use the machine's host name). A blank name is a usage error.
Result<QString> read(const QCommandLineParser &parser);

} // namespace SiteOption
