#include "cli/NotifyOptions.h"

#include "notify/ExecNotifier.h"
#include "notify/Notifiers.h"
#include "notify/NotifyKinds.h"
#include "notify/NotifySpool.h"
#include "notify/UrlNotifier.h"

#include <QCommandLineParser>

namespace NotifyOptions {

void addTo(QCommandLineParser &parser)
{
    parser.addOption(
        {QStringLiteral("notify-exec"),
         QStringLiteral("Run COMMAND (program and arguments, quoted as in a shell but run by none) once "
                        "an event\nor finding, with its JSON line on standard input; killed after %1 s.")
             .arg(ExecNotifier::DefaultLimit.count() / 1000),
         QStringLiteral("COMMAND")});
    parser.addOption(
        {QStringLiteral("notify-url"),
         QStringLiteral("POST the JSON line of each event or finding to URL (http or https). The lines "
                        "wait in\nthe data folder's \"%1\" until the receiver answers 2xx.")
             .arg(QLatin1String(NotifySpool::FolderName)),
         QStringLiteral("URL")});
    parser.addOption({QStringLiteral("notify-kinds"),
                      QStringLiteral("The kinds the notifiers get (default: all): %1.")
                              .arg(NotifyKinds::allWords().join(QLatin1String(", "))) +
                          QStringLiteral("\nAn empty COMMAND, URL or list counts as not given."),
                      QStringLiteral("K1,K2,...")});
}

namespace {

// An empty value leaves the notifier off, so that a service passes the
// variables of its settings whether they are set or not.
bool given(const QCommandLineParser &parser, const char *option)
{
    return !parser.value(QLatin1String(option)).trimmed().isEmpty();
}

} // namespace

Result<Chosen> read(const QCommandLineParser &parser)
{
    Chosen chosen;
    if (given(parser, "notify-exec")) {
        const Result<ProgramRun> run =
            ExecNotifier::parseCommand(parser.value(QStringLiteral("notify-exec")));
        if (!run)
            return Failure{run.error()};
        chosen.exec = *run;
    }
    if (given(parser, "notify-url")) {
        const Result<QUrl> url = UrlNotifier::parseUrl(parser.value(QStringLiteral("notify-url")));
        if (!url)
            return Failure{url.error()};
        chosen.url = *url;
    }
    if (given(parser, "notify-kinds")) {
        const Result<QSet<QString>> kinds = NotifyKinds::parse(parser.value(QStringLiteral("notify-kinds")));
        if (!kinds)
            return Failure{kinds.error()};
        chosen.kinds = *kinds;
    }
    return chosen;
}

std::unique_ptr<Notifiers> make(const Chosen &chosen, ProgramRunner &runner, const QString &dataFolder)
{
    auto notifiers = std::make_unique<Notifiers>(chosen.kinds);
    if (chosen.exec)
        notifiers->setExec(std::make_unique<ExecNotifier>(runner, *chosen.exec));
    if (chosen.url)
        notifiers->setUrl(std::make_unique<UrlNotifier>(*chosen.url, dataFolder));
    return notifiers;
}

} // namespace NotifyOptions
