#pragma once

#include <QString>

#include "mail/ReportSettings.h"
#include "platform/Result.h"

class QCommandLineParser;

// The flags that override the stored report settings for one run:
// --smtp-host, --smtp-port, --user, --password-file, --sender, --recipient,
// --subject, --message, --auth 0|1, --encryption none|starttls|tls, --ca-file.
// The password comes from a file only, so that it never shows in a process list.
namespace ReportOptions {

void addTo(QCommandLineParser &parser);
// Fails for a usage error (or an unreadable password file).
Result<> apply(const QCommandLineParser &parser, ReportSettings *settings);

} // namespace ReportOptions
