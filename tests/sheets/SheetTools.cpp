#include "tests/sheets/SheetTools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>

namespace SheetTools {

namespace {

const QString Python = QStringLiteral("/usr/bin/python3");

QString scriptPath(const QString &name)
{
    return qEnvironmentVariable("NETKESTREL_SOURCE_DIR") + QStringLiteral("/tests/sheets/") + name;
}

// Status and standard output; -1 when it did not run to its end.
std::pair<int, QByteArray> run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {-1, {}};
    const QByteArray err = process.readAllStandardError();
    if (process.exitCode() != 0 && !err.isEmpty())
        qWarning("%s: %s", qPrintable(QFileInfo(program).fileName()), err.constData());
    return {process.exitCode(), process.readAllStandardOutput()};
}

} // namespace

QString xlsWriterMissing()
{
    if (run(QStringLiteral("perl"), {QStringLiteral("-MSpreadsheet::WriteExcel"), QStringLiteral("-e1")})
            .first != 0)
        return QStringLiteral(
            "Perl's Spreadsheet::WriteExcel is not installed (libspreadsheet-writeexcel-perl)");
    return {};
}

QString xlsxReaderMissing()
{
    if (run(Python, {QStringLiteral("-c"), QStringLiteral("import openpyxl")}).first != 0)
        return QStringLiteral("openpyxl is not installed for /usr/bin/python3 (python3-openpyxl)");
    return {};
}

bool writeXls(const QString &path, const QString &mode)
{
    QStringList arguments = {scriptPath(QStringLiteral("write-xls.pl")), path};
    if (!mode.isEmpty())
        arguments << mode;
    return run(QStringLiteral("perl"), arguments).first == 0;
}

QJsonObject dumpXlsx(const QString &path)
{
    const auto [status, out] =
        run(Python, {scriptPath(QStringLiteral("xlsx-tool.py")), QStringLiteral("dump"), path});
    return status == 0 ? QJsonDocument::fromJson(out).object() : QJsonObject();
}

bool zipFolder(const QString &out, const QString &folder)
{
    return run(Python, {scriptPath(QStringLiteral("xlsx-tool.py")), QStringLiteral("zip"), out, folder})
               .first == 0;
}

bool writePart(const QString &folder, const QString &relativePath, const QByteArray &text)
{
    const QString path = folder + QLatin1Char('/') + relativePath;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

} // namespace SheetTools
