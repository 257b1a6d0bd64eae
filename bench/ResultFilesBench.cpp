// Result files and exports at scale: saving and opening a scan result file of
// 65,536 rows (the reader alone, the reader filling the scan list, and the
// window's "Open..." with the list view shown, next to filling that view one
// row per insertion), and the text and HTML export of 100,000 findings.
// Prints the median of each. Runs offscreen unless a platform is set.
//   netkestrel-files-bench
#include "app/commands/ResultFileCommands.h"
#include "app/parts/MainMenus.h"
#include "app/widgets/ScanListView.h"
#include "bench/BenchMedian.h"
#include "export/ListHtmlWriter.h"
#include "export/ListTextWriter.h"
#include "export/ScanResultFile.h"
#include "export/ScanResultReader.h"
#include "lists/AnalysisListModel.h"
#include "lists/ScanListModel.h"
#include "platform/FileDialog.h"
#include "platform/Prompt.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int ScanRows = 65536;
constexpr int Findings = 100000;
constexpr int Runs = 7;

class YesPrompt : public Prompt
{
public:
    PromptAnswer ask(const PromptRequest &) override { return PromptAnswer::Yes; }
};

class FixedFileDialog : public FileDialog
{
public:
    explicit FixedFileDialog(QString path) : m_path(std::move(path)) {}
    QString choose(const FileDialogRequest &) override { return m_path; }

private:
    QString m_path;
};

QList<ScanRow> scanRows()
{
    QList<ScanRow> rows;
    rows.reserve(ScanRows);
    for (int n = 0; n < ScanRows; ++n) {
        const QString ip = QStringLiteral("198.18.%1.%2").arg(n >> 8).arg(n & 255);
        if (n % 4 == 3) {
            rows.append(ScanRow::fromFields({QString(), ip, QLatin1String(ScanRow::NonRespondedMarker)}));
            continue;
        }
        rows.append(ScanRow::fromFields({QString::number(n + 1), ip,
                                         QStringLiteral("00-0A-E4-00-%1-%2")
                                             .arg(n >> 8, 2, 16, QLatin1Char('0'))
                                             .arg(n & 255, 2, 16, QLatin1Char('0'))
                                             .toUpper(),
                                         QStringLiteral("HOST-%1").arg(n), QStringLiteral("WORKGROUP"),
                                         QStringLiteral("Vendor Networks, Inc.")}));
    }
    return rows;
}

// The median milliseconds of the runs after an untimed first one (which
// warms the page cache and the allocator); prepare runs untimed before each.
double timeRuns(const std::function<void()> &run, const std::function<void()> &prepare = {})
{
    QList<double> times;
    for (int k = 0; k <= Runs; ++k) {
        if (prepare)
            prepare();
        if (k == 0) {
            run();
            continue;
        }
        QElapsedTimer timer;
        timer.start();
        run();
        times.append(double(timer.nsecsElapsed()) / 1e6);
    }
    return median(times);
}

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "%s failed\n", what);
        std::exit(1);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString kst = dir.filePath(QStringLiteral("scan.kst"));
    const QList<ScanRow> rows = scanRows();

    const double save = timeRuns([&] { check(ScanResultFile::save(kst, rows).ok(), "save"); });
    const double read =
        timeRuns([&] { check(ScanResultReader::readFile(kst).rows.size() == ScanRows, "read"); });
    const double readFill = timeRuns([&] {
        ScanListModel list;
        const ScanResultReader::ReadOutcome outcome = ScanResultReader::readFile(kst);
        for (qsizetype first = 0; first < outcome.rows.size(); first += ResultFileCommands::RowsPerInsertion)
            list.appendScanRows(outcome.rows.mid(first, ResultFileCommands::RowsPerInsertion));
        check(list.count() == ScanRows, "fill");
    });

    // The window's command with the list view shown, as the user runs it.
    QWidget window;
    MainMenus menus(&window);
    ScanListModel list;
    ScanListView view(&list);
    view.resize(800, 400);
    view.show();
    YesPrompt prompt;
    FixedFileDialog fileDialog(kst);
    ResultFileCommands commands(menus, list, prompt, fileDialog, dir.path(), &window);
    QAction *open = menus.action(QStringLiteral("SMmenu1"));
    const double openShown = timeRuns([&] {
        open->trigger();
        QApplication::processEvents();
        check(list.count() == ScanRows, "open");
    });
    const double rowByRowShown = timeRuns(
        [&] {
            for (const ScanRow &row : ScanResultReader::readFile(kst).rows)
                list.appendScanRow(row);
            QApplication::processEvents();
            check(list.count() == ScanRows, "row by row");
        },
        [&] {
            list.clear();
            QApplication::processEvents();
        });
    const double saveShown = timeRuns([&] { menus.action(QStringLiteral("SMmenu3"))->trigger(); });

    AnalysisListModel findings;
    for (int n = 0; n < Findings; ++n)
        findings.appendEntry({QStringLiteral("2024-05-01; 10:%1:%2").arg(n / 60 % 60).arg(n % 60),
                              QStringLiteral("The IP address 198.18.%1.%2 is used by the unknown MAC "
                                             "00-0A-E4-00-00-%3 <not in the records> & not allowed")
                                  .arg(n >> 8 & 255)
                                  .arg(n & 255)
                                  .arg(n % 100)});
    const QString txt = dir.filePath(QStringLiteral("findings.txt"));
    const QString html = dir.filePath(QStringLiteral("findings.html"));
    const double text = timeRuns([&] { check(ListTextWriter::write(findings, txt, true).ok(), "text"); });
    const double page = timeRuns([&] { check(ListHtmlWriter::write(findings, html, {}).ok(), "html"); });

    std::printf("scan result file, %d rows (%lld bytes), median of %d:\n", ScanRows,
                static_cast<long long>(QFileInfo(kst).size()), Runs);
    std::printf("  save (ScanResultFile::save)                    %8.1f ms\n", save);
    std::printf("  read (ScanResultReader::readFile)              %8.1f ms\n", read);
    std::printf("  read + fill the scan list in batches of %d   %8.1f ms\n",
                ResultFileCommands::RowsPerInsertion, readFill);
    std::printf("  \"Open...\" with the list view shown             %8.1f ms\n", openShown);
    std::printf("  read + fill one row per insertion, view shown  %8.1f ms\n", rowByRowShown);
    std::printf("  \"Save...\" of the shown list                    %8.1f ms\n", saveShown);
    std::printf("analysis list, %d findings, median of %d:\n", Findings, Runs);
    std::printf("  text export (%lld bytes)                  %8.1f ms\n",
                static_cast<long long>(QFileInfo(txt).size()), text);
    std::printf("  HTML export (%lld bytes)                  %8.1f ms\n",
                static_cast<long long>(QFileInfo(html).size()), page);
    return 0;
}
