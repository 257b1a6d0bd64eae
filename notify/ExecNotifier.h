#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <chrono>

#include "platform/ProgramRunner.h"
#include "platform/Result.h"
#include "platform/WorkRunner.h"

// Runs a command of the user's once a line, with the line on its standard
// input. The command is split into program and arguments as QProcess does
// (quotes group, no shell ever sees it) and runs through the program runner,
// on a thread of its own: a slow command never holds the scans. The lines
// run in the order they came, each for at most the time limit, after which
// the command is killed. A command that fails is said and the next line
// goes on; when more than MaxWaiting lines wait for a command that keeps
// hanging, further lines are refused with a message rather than queued
// without end.
class ExecNotifier : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds DefaultLimit{10000};
    static constexpr int MaxWaiting = 100;

    // The text of --notify-exec as the program and arguments to run.
    static Result<ProgramRun> parseCommand(const QString &command,
                                           std::chrono::milliseconds limit = DefaultLimit);

    // runner: outlives this object.
    ExecNotifier(ProgramRunner &runner, const ProgramRun &command, QObject *parent = nullptr);
    // Waits for the commands already started.
    ~ExecNotifier() override;

    Result<> notify(const QByteArray &line);
    // Returns when every line given so far has run and been reported.
    void waitForDone() { m_work.waitForDone(); }

Q_SIGNALS:
    // A failure for the log, in the program's words.
    void status(const QString &text);

private:
    void finished(const ProgramOutcome &outcome);

    ProgramRunner &m_runner;
    ProgramRun m_command;
    int m_waiting = 0;
    PoolWorkRunner m_work{1}; // one thread: the lines run in turn
};
