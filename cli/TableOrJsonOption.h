#pragma once

#include <QCommandLineParser>
#include <QDateTime>
#include <QString>

#include <optional>

#include "platform/Result.h"

// The options of the commands that print JSON lines or read the host history:
// --format table|json and --since DATE, with their refusals in one wording.
// A refusal is a usage error for the command to report.
namespace TableOrJsonOption {

// --format table|json; objectText says what one JSON object is ("a finding").
void addFormat(QCommandLineParser &parser, const QString &objectText);
enum class Format { Table, Json };
Result<Format> readFormat(const QCommandLineParser &parser);

// --since DATE; whatText names what is kept ("the events").
void addSince(QCommandLineParser &parser, const QString &whatText);
// The --since time (none when not given).
Result<std::optional<QDateTime>> readSince(const QCommandLineParser &parser);

} // namespace TableOrJsonOption
