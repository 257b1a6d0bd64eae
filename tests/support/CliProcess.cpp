#include "tests/support/CliProcess.h"

#include <sys/resource.h>

#include "platform/AddressSanitizer.h"

namespace CliProcess {

QString program()
{
    return qEnvironmentVariable("NETKESTREL_BIN_DIR") + QStringLiteral("/netkestrel-cli");
}

void start(QProcess &process, const QStringList &arguments)
{
    process.start(program(), arguments);
}

Run finish(QProcess &process, int timeoutMs)
{
    // One that a wait of the caller's saw finish is collected as it is.
    const bool finished = process.state() == QProcess::NotRunning ? process.error() != QProcess::FailedToStart
                                                                  : process.waitForFinished(timeoutMs);
    if (!finished) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    Run run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

Run run(const QStringList &arguments, int timeoutMs)
{
    QProcess process;
    start(process, arguments);
    return finish(process, timeoutMs);
}

Run runLimited(const QStringList &arguments, qint64 addressSpaceBytes, int timeoutMs)
{
    QProcess process;
    if (!AddressSanitizerBuild) {
        process.setChildProcessModifier([addressSpaceBytes] {
            const rlimit limit{rlim_t(addressSpaceBytes), rlim_t(addressSpaceBytes)};
            setrlimit(RLIMIT_AS, &limit);
        });
    }
    start(process, arguments);
    return finish(process, timeoutMs);
}

} // namespace CliProcess
