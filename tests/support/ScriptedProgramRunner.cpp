#include "tests/support/ScriptedProgramRunner.h"

ProgramOutcome ScriptedProgramRunner::run(const ProgramRun &run)
{
    m_runs.append(run);
    return take(run.program);
}

ProgramOutcome::Status ScriptedProgramRunner::startDetached(const ProgramRun &run)
{
    m_detachedRuns.append(run);
    return take(run.program).status;
}

ProgramOutcome ScriptedProgramRunner::take(const QString &program)
{
    const auto keyed = m_byProgram.find(program);
    if (keyed != m_byProgram.end() && !keyed->isEmpty())
        return keyed->takeFirst();
    if (!m_inOrder.isEmpty())
        return m_inOrder.takeFirst();
    return withStatus(ProgramOutcome::Status::NotInstalled);
}

qsizetype ScriptedProgramRunner::pendingOutcomes() const
{
    qsizetype pending = m_inOrder.size();
    for (const QList<ProgramOutcome> &queue : m_byProgram)
        pending += queue.size();
    return pending;
}

ProgramOutcome ScriptedProgramRunner::finished(int exitCode, const QByteArray &standardOutput,
                                               const QByteArray &standardError)
{
    ProgramOutcome outcome;
    outcome.exitCode = exitCode;
    outcome.standardOutput = standardOutput;
    outcome.standardError = standardError;
    return outcome;
}

ProgramOutcome ScriptedProgramRunner::withStatus(ProgramOutcome::Status status)
{
    ProgramOutcome outcome;
    outcome.status = status;
    return outcome;
}
