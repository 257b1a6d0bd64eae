#pragma once

#include <QSet>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

#include "platform/ProgramRunner.h"
#include "platform/Result.h"

class Notifiers;
class QCommandLineParser;

// The notifiers of watch: --notify-exec COMMAND, --notify-url URL and
// --notify-kinds K1,K2,...
namespace NotifyOptions {

struct Chosen
{
    std::optional<ProgramRun> exec;
    std::optional<QUrl> url;
    QSet<QString> kinds; // empty: every kind
};

void addTo(QCommandLineParser &parser);
// Fails for a usage error.
Result<Chosen> read(const QCommandLineParser &parser);
// The notifiers chosen, the URL's spool in the data folder; runner outlives them.
std::unique_ptr<Notifiers> make(const Chosen &chosen, ProgramRunner &runner, const QString &dataFolder);

} // namespace NotifyOptions
