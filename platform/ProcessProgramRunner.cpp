#include "platform/ProcessProgramRunner.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include <algorithm>
#include <climits>
#include <csignal>
#include <unistd.h>

namespace {

// What is left of the deadline as QProcess's wait functions take it; at least
// a millisecond, so that a spent deadline never means "wait for ever".
int waitTime(const QDeadlineTimer &deadline)
{
    return int(std::clamp<qint64>(deadline.remainingTime(), 1, INT_MAX));
}

} // namespace

QString ProcessProgramRunner::resolve(const QString &program)
{
    if (program.isEmpty())
        return {};
    if (!program.contains(QLatin1Char('/')))
        return QStandardPaths::findExecutable(program);
    const QFileInfo file(program);
    return file.isFile() && file.isExecutable() ? file.absoluteFilePath() : QString();
}

ProgramOutcome ProcessProgramRunner::run(const ProgramRun &run)
{
    ProgramOutcome outcome;
    const QString path = resolve(run.program);
    if (path.isEmpty()) {
        outcome.status = ProgramOutcome::Status::NotInstalled;
        return outcome;
    }

    QDeadlineTimer deadline(run.timeout);
    QProcess process;
    process.setProgram(path);
    process.setArguments(run.arguments);
    if (!run.environment.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString &entry : run.environment) {
            const qsizetype equals = entry.indexOf(QLatin1Char('='));
            if (equals > 0)
                environment.insert(entry.left(equals), entry.mid(equals + 1));
        }
        process.setProcessEnvironment(environment);
    }
    // Runs in the child between fork and exec: only async-signal-safe calls.
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
    process.start();
    if (!process.waitForStarted(waitTime(deadline))) {
        outcome.status = process.error() == QProcess::Timedout ? ProgramOutcome::Status::TimedOut
                                                               : ProgramOutcome::Status::NotInstalled;
        process.kill();
        process.waitForFinished(-1);
        return outcome;
    }
    process.write(run.input);
    process.closeWriteChannel();

    if (!process.waitForFinished(waitTime(deadline)) && process.state() != QProcess::NotRunning) {
        outcome.status = ProgramOutcome::Status::TimedOut;
        const qint64 pid = process.processId();
        if (pid > 0)
            ::kill(-pid_t(pid), SIGKILL);
        process.kill();
        process.waitForFinished(-1);
    } else if (process.exitStatus() == QProcess::CrashExit) {
        outcome.status = ProgramOutcome::Status::Crashed;
    } else {
        outcome.exitCode = process.exitCode();
    }
    outcome.standardOutput = process.readAllStandardOutput();
    outcome.standardError = process.readAllStandardError();
    return outcome;
}

ProgramOutcome::Status ProcessProgramRunner::startDetached(const ProgramRun &run)
{
    const QString path = resolve(run.program);
    if (path.isEmpty() || !QProcess::startDetached(path, run.arguments))
        return ProgramOutcome::Status::NotInstalled;
    return ProgramOutcome::Status::Finished;
}
