#include "cli/CommandLine.h"

#include <cstdio>

int CommandLine::usageError(const QString &message) const
{
    std::fprintf(stderr, "netkestrel-cli %s: %s\nTry 'netkestrel-cli %s --help'.\n", qPrintable(m_name),
                 qPrintable(message), qPrintable(m_name.section(QLatin1Char(' '), 0, 0)));
    return UsageStatus;
}

int CommandLine::failure(const QString &message) const
{
    std::fprintf(stderr, "netkestrel-cli %s: %s\n", qPrintable(m_name), qPrintable(message));
    return FailureStatus;
}

std::optional<int> CommandLine::parse(QCommandLineParser &parser, const QStringList &arguments,
                                      Positional positional, const char *helpText) const
{
    if (!parser.parse(QStringList{QStringLiteral("netkestrel-cli ") + m_name} + arguments))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(helpText ? helpText : qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (positional == Positional::Refused && !parser.positionalArguments().isEmpty())
        return usageError(
            QStringLiteral("unexpected argument \"%1\".").arg(parser.positionalArguments().first()));
    return std::nullopt;
}
