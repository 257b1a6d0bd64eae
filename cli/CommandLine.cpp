#include "cli/CommandLine.h"

#include <QCoreApplication>
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

QString CommandLine::usage(const QCommandLineParser &parser) const
{
    // The parser names the program by the path it was started from; the
    // usage line names the command as a script types it.
    QString text = parser.helpText();
    const QString path = QCoreApplication::arguments().value(0);
    const QString head = QStringLiteral("Usage: ");
    if (!path.isEmpty() && text.startsWith(head + path))
        text.replace(head.size(), path.size(), QStringLiteral("netkestrel-cli ") + m_name);
    return text;
}

std::optional<int> CommandLine::parse(QCommandLineParser &parser, const QStringList &arguments,
                                      Positional positional, const char *helpText) const
{
    if (!parser.parse(QStringList{QStringLiteral("netkestrel-cli ") + m_name} + arguments))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(helpText ? helpText : qPrintable(usage(parser)), stdout);
        return 0;
    }
    if (positional == Positional::Refused && !parser.positionalArguments().isEmpty())
        return usageError(
            QStringLiteral("unexpected argument \"%1\".").arg(parser.positionalArguments().first()));
    return std::nullopt;
}
