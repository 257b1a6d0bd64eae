#pragma once

#include <QHash>
#include <QList>

#include "platform/ProgramRunner.h"

// Answers runs from outcomes set up in advance and keeps every run it was
// asked for (program, arguments, standard input), so that tests can assert
// what a command would have started. An outcome queued for a program name
// answers the next run of that program; otherwise the next outcome queued for
// any program answers. With nothing queued, a run is answered "not installed".
class ScriptedProgramRunner : public ProgramRunner
{
public:
    ProgramOutcome run(const ProgramRun &run) override;
    // Answered from the same queues (only the status counts); kept apart
    // from the runs that were waited for.
    ProgramOutcome::Status startDetached(const ProgramRun &run) override;
    // Only the programs named by setInstalled() are; it starts nothing.
    bool isInstalled(const QString &program) override { return m_installed.contains(program); }
    void setInstalled(const QStringList &programs) { m_installed = programs; }

    void queueOutcome(const ProgramOutcome &outcome) { m_inOrder.append(outcome); }
    void queueOutcome(const QString &program, const ProgramOutcome &outcome)
    {
        m_byProgram[program].append(outcome);
    }

    const QList<ProgramRun> &runs() const { return m_runs; }
    const QList<ProgramRun> &detachedRuns() const { return m_detachedRuns; }
    ProgramRun lastRun() const { return m_runs.value(m_runs.size() - 1); }
    // Queued outcomes that no run has taken yet.
    qsizetype pendingOutcomes() const;

    // Outcomes for tests to queue.
    static ProgramOutcome finished(int exitCode, const QByteArray &standardOutput = {},
                                   const QByteArray &standardError = {});
    static ProgramOutcome withStatus(ProgramOutcome::Status status);

private:
    QList<ProgramOutcome> m_inOrder;
    QHash<QString, QList<ProgramOutcome>> m_byProgram;
    ProgramOutcome take(const QString &program);

    QList<ProgramRun> m_runs;
    QList<ProgramRun> m_detachedRuns;
    QStringList m_installed;
};
