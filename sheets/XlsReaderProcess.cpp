#include "sheets/XlsReaderProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>

namespace XlsReaderProcess {

namespace {

Failure unreadable(const QString &why = QString())
{
    QString text = QLatin1String(UnreadableText);
    if (!why.isEmpty())
        text.insert(text.size() - 1, QStringLiteral(": ") + why);
    return Failure{text};
}

void stop(QProcess &process)
{
    process.kill();
    process.waitForFinished();
}

} // namespace

QString program()
{
    const QString name = QLatin1String(ProgramName);
    QStringList candidates;
    if (QCoreApplication::instance()) {
        const QString here = QCoreApplication::applicationDirPath();
        candidates << here + QLatin1Char('/') + name << here + QStringLiteral("/../lib/netkestrel/") + name;
    }
    candidates << QStringLiteral(NETKESTREL_LIB_DIR "/") + name;
    for (const QString &candidate : std::as_const(candidates)) {
        const QFileInfo info(candidate);
        if (info.isFile() && info.isExecutable())
            return info.absoluteFilePath();
    }
    return {};
}

Result<QByteArray> run(const QString &path)
{
    const QString reader = program();
    if (reader.isEmpty())
        return Failure{
            QStringLiteral("The .xls reader %1 is not installed.").arg(QLatin1String(ProgramName))};
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(reader, {path});
    if (!process.waitForStarted())
        return Failure{QStringLiteral("The .xls reader cannot be started: %1").arg(process.errorString())};

    // Read as it comes, so that a runaway reader is stopped at the limit
    // instead of filling the program's memory.
    const QDeadlineTimer deadline(TimeoutMs);
    QByteArray out;
    for (;;) {
        out += process.readAllStandardOutput();
        if (out.size() > MaxOutputBytes) {
            stop(process);
            return unreadable(
                QStringLiteral("it holds more than %1 MiB of cells").arg(MaxOutputBytes / (1024 * 1024)));
        }
        if (process.state() == QProcess::NotRunning)
            break;
        if (deadline.hasExpired()) {
            stop(process);
            return unreadable(QStringLiteral("reading it took more than %1 seconds").arg(TimeoutMs / 1000));
        }
        process.waitForReadyRead(int(deadline.remainingTime()));
    }
    out += process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0 ||
        (out != "E\n" && !out.endsWith("\nE\n")) || out.size() > MaxOutputBytes)
        return unreadable();
    return out;
}

} // namespace XlsReaderProcess
