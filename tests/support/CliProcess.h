#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// netkestrel-cli of this build (NETKESTREL_BIN_DIR), run as a script runs it.
namespace CliProcess {

struct Run
{
    int status = -1; // -1: it did not finish in time or crashed
    QString out;
    QString err;
};

QString program();
// Runs it to its end.
Run run(const QStringList &arguments, int timeoutMs = 60000);
// Runs it to its end under an address-space limit (RLIMIT_AS), so that a
// reader running away with memory fails the test rather than the machine.
// AddressSanitizer reserves terabytes of address space: its builds run
// without the limit.
Run runLimited(const QStringList &arguments, qint64 addressSpaceBytes, int timeoutMs = 60000);
// Starts it and returns at once; collect it with finish(), also once the
// caller has seen it finish.
void start(QProcess &process, const QStringList &arguments);
Run finish(QProcess &process, int timeoutMs = 60000);

} // namespace CliProcess
