#pragma once

#include "platform/ProgramRunner.h"

// Runs programs with QProcess, never through a shell, with the caller's
// environment. Each program starts in a process group of its own, so that a
// time-out kills the program together with whatever it started.
class ProcessProgramRunner : public ProgramRunner
{
public:
    ProgramOutcome run(const ProgramRun &run) override;
    ProgramOutcome::Status startDetached(const ProgramRun &run) override;
    bool isInstalled(const QString &program) override { return !resolve(program).isEmpty(); }

    // The program's path as run() would start it: a name is looked up on
    // PATH, a path must be an executable file. Empty when neither holds.
    static QString resolve(const QString &program);
};
