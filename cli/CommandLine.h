#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <optional>

// What the commands of netkestrel-cli share: their name in messages, the exit
// statuses for bad usage and for failures, and the parse that answers --help.
class CommandLine
{
public:
    static constexpr int FailureStatus = 1;
    static constexpr int UsageStatus = 2;

    // name: the command as typed after the program, e.g. "scan" or "records add".
    explicit CommandLine(const QString &name) : m_name(name) {}

    // Prints the message with a pointer to --help; returns UsageStatus.
    int usageError(const QString &message) const;
    // Prints the message; returns FailureStatus.
    int failure(const QString &message) const;

    // Parses the command's arguments. Returns the exit status when the command
    // is already done (help printed, or a usage error), nothing when it goes
    // on. Positional arguments are refused unless allowed.
    // helpText replaces the parser's own help when given.
    enum class Positional { Refused, Allowed };
    std::optional<int> parse(QCommandLineParser &parser, const QStringList &arguments,
                             Positional positional = Positional::Refused,
                             const char *helpText = nullptr) const;

private:
    // The parser's help, its usage line naming this command.
    QString usage(const QCommandLineParser &parser) const;

    QString m_name;
};
