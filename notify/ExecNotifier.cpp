#include "notify/ExecNotifier.h"

#include "platform/TerminalText.h"

#include <QProcess>

namespace {

constexpr qsizetype MaxErrorShown = 300;

} // namespace

Result<ProgramRun> ExecNotifier::parseCommand(const QString &command, std::chrono::milliseconds limit)
{
    QStringList words = QProcess::splitCommand(command);
    if (words.isEmpty())
        return Failure{QStringLiteral("--notify-exec names no command.")};
    ProgramRun run;
    run.program = words.takeFirst();
    run.arguments = words;
    run.timeout = limit;
    return run;
}

ExecNotifier::ExecNotifier(ProgramRunner &runner, const ProgramRun &command, QObject *parent)
    : QObject(parent), m_runner(runner), m_command(command)
{
}

ExecNotifier::~ExecNotifier()
{
    m_work.waitForDone();
}

Result<> ExecNotifier::notify(const QByteArray &line)
{
    if (m_waiting >= MaxWaiting)
        return Failure{QStringLiteral("--notify-exec: %1 notifications wait for \"%2\" already; this one is "
                                      "not passed on.")
                           .arg(m_waiting)
                           .arg(TerminalText::printable(m_command.program))};
    ++m_waiting;
    ProgramRun run = m_command;
    run.input = line;
    m_work.run(
        this, [&runner = m_runner, run] { return runner.run(run); },
        [this](const ProgramOutcome &outcome) { finished(outcome); });
    return {};
}

void ExecNotifier::finished(const ProgramOutcome &outcome)
{
    --m_waiting;
    const QString program = TerminalText::printable(m_command.program);
    QString why;
    switch (outcome.status) {
    case ProgramOutcome::Status::NotInstalled:
        why = QStringLiteral("could not be started (not found, or not an executable file)");
        break;
    case ProgramOutcome::Status::TimedOut:
        why = QStringLiteral("took longer than %1 s and was killed")
                  .arg(double(m_command.timeout.count()) / 1000.0);
        break;
    case ProgramOutcome::Status::Crashed:
        why = QStringLiteral("was ended by a signal");
        break;
    case ProgramOutcome::Status::Finished:
        if (outcome.exitCode == 0)
            return;
        why = QStringLiteral("exited with status %1").arg(outcome.exitCode);
        break;
    }
    const QString said = QString::fromUtf8(outcome.standardError.left(MaxErrorShown)).trimmed();
    Q_EMIT status(QStringLiteral("--notify-exec: \"%1\" %2%3")
                      .arg(program, why,
                           said.isEmpty() ? QStringLiteral(".")
                                          : QStringLiteral(": ") + TerminalText::printable(said)));
}
