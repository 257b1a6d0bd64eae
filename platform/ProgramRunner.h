#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>

// One run of an outside program: the program's name (looked up on PATH) or
// its path, its arguments as they reach it (no shell ever sees them), the
// bytes for its standard input, what it adds to the environment it inherits
// and how long it may take.
struct ProgramRun
{
    QString program;
    QStringList arguments;
    QByteArray input;
    std::chrono::milliseconds timeout{30000};
    // "NAME=value" entries set for this run only, e.g. a secret the program
    // reads from its environment so that it never shows in a process list.
    QStringList environment{};
};

// How a run ended. Standard output and error hold what the program wrote,
// also when it timed out or crashed.
struct ProgramOutcome
{
    enum class Status {
        Finished,     // it exited by itself; exitCode is its status
        NotInstalled, // not found on PATH, or not an executable file: nothing ran
        TimedOut,     // still running at the time-out, so it was killed
        Crashed       // ended by a signal it did not ask for
    };

    Status status = Status::Finished;
    int exitCode = 0;
    QByteArray standardOutput;
    QByteArray standardError;

    bool succeeded() const { return status == Status::Finished && exitCode == 0; }
};

// Runs outside programs (Samba's tools, an RDP client, ip, pkexec ...). The
// engine reaches them only through this interface; ProcessProgramRunner runs
// them for real, ScriptedProgramRunner (tests/support) answers for tests.
//
// run() blocks the calling thread until the program ends or its time-out
// passes; call it from a worker thread when the program may take long. It
// needs no event loop.
class ProgramRunner
{
public:
    virtual ~ProgramRunner() = default;

    virtual ProgramOutcome run(const ProgramRun &run) = 0;
    // Starts the program and returns at once without waiting for it (a
    // client the user goes on working in); its input and time-out are not
    // used. Finished when it started, NotInstalled when it could not be
    // started at all.
    virtual ProgramOutcome::Status startDetached(const ProgramRun &run) = 0;
    // Whether a run of the program would find it; nothing is started.
    virtual bool isInstalled(const QString &program) = 0;
};
