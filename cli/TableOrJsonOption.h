#pragma once

#include <QCommandLineParser>
#include <QDateTime>
#include <QString>

#include <optional>
#include <variant>

class CommandLine;

// The options of the commands that print JSON lines or read the host history:
// --format table|json and --since DATE, with their refusals in one wording.
namespace TableOrJsonOption {

// --format table|json; objectText says what one JSON object is ("a finding").
void addFormat(QCommandLineParser &parser, const QString &objectText);
// Whether --format asked for JSON, or the usage error's exit status.
std::variant<bool, int> readFormat(const QCommandLineParser &parser, const CommandLine &command);

// --since DATE; whatText names what is kept ("the events").
void addSince(QCommandLineParser &parser, const QString &whatText);
// The --since time (none when not given), or the usage error's exit status.
std::variant<std::optional<QDateTime>, int> readSince(const QCommandLineParser &parser,
                                                      const CommandLine &command);

} // namespace TableOrJsonOption
