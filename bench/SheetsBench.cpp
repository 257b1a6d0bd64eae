// Workbooks at scale: a sheet of 10,000 rows imported into a store of 10,000
// records, half of the rows holding an IP address that a record holds
// ("Match IP", overwrite), and the import window's preview of that sheet.
// The sheet is the record export of another store, so the .xlsx reader, the
// import run and the writer all take part. Prints the median of each step.
//   netkestrel-sheets-bench
#include "BenchMedian.h"
#include "FormEXCELDR.h"
#include "ListModel.h"
#include "RecordCommands.h"
#include "RecordListModel.h"
#include "RecordSheet.h"
#include "RecordStore.h"
#include "RecordTableDump.h"
#include "RecordWorkbook.h"
#include "SheetImport.h"
#include "WorkbookReader.h"

#include "FileDialog.h"
#include "ProgramState.h"
#include "Prompt.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int Rows = 10000;
constexpr int Runs = 5;

class SilentPrompt : public Prompt
{
public:
    PromptAnswer ask(const PromptRequest &request) override { return request.defaultAnswer; }
};

class NoFileDialog : public FileDialog
{
public:
    QString choose(const FileDialogRequest &) override { return {}; }
};

QString ip(int n)
{
    return QStringLiteral("10.%1.%2.%3").arg((n >> 16) & 255).arg((n >> 8) & 255).arg(n & 255);
}

QString mac(int n)
{
    return QStringLiteral("00-0A-E4-%1-%2-%3")
        .arg((n >> 16) & 255, 2, 16, QLatin1Char('0'))
        .arg((n >> 8) & 255, 2, 16, QLatin1Char('0'))
        .arg(n & 255, 2, 16, QLatin1Char('0'))
        .toUpper();
}

// Records first .. first + Rows - 1, written in one batch.
bool fill(const RecordStore &store, int first, const QString &host)
{
    QList<BatchItem> items;
    for (int n = first; n < first + Rows; ++n) {
        BatchItem item;
        item.record =
            PresetRecord::fromFields({ip(n), mac(n), host + QString::number(n), QStringLiteral("WG"),
                                      QStringLiteral("user"), QStringLiteral("IT"), QStringLiteral("Room 7"),
                                      QStringLiteral("eth0"), QStringLiteral("bench")});
        items.append(item);
    }
    return store.writeBatch(items).ok();
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;

    // The sheet: the export of a store holding rows 5,000 to 14,999.
    const QString source = dir.filePath(QStringLiteral("source"));
    const QString sheet = dir.filePath(QStringLiteral("records.xlsx"));
    if (!fill(RecordStore(source), Rows / 2, QStringLiteral("sheet-")))
        return 1;
    QElapsedTimer clock;
    clock.start();
    const Result<RecordTableDump> dump = RecordTableDump::read(RecordStore(source));
    if (!dump || !RecordWorkbook::write(*dump, sheet).ok())
        return 1;
    std::printf("record export of %d records: %lld ms\n", Rows, clock.elapsed());

    QList<double> reads, imports, previews;
    int count = 0;
    for (int run = 0; run < Runs; ++run) {
        // A store of rows 0 to 9,999: half of the sheet's IP addresses are taken.
        const QString folder = dir.filePath(QStringLiteral("store%1").arg(run));
        RecordStore store(folder);
        if (!fill(store, 0, QStringLiteral("store-")))
            return 1;

        clock.restart();
        Result<std::unique_ptr<WorkbookReader>> book = WorkbookReader::open(sheet);
        if (!book)
            return 1;
        const Result<SheetGrid> grid = (*book)->readSheet(0);
        const std::optional<RecordSheet> layout = grid ? RecordSheet::fromGrid(*grid) : std::nullopt;
        if (!layout || layout->rowCount() != Rows)
            return 1;
        QList<PresetRecord> rows;
        for (int r = 0; r < layout->rowCount(); ++r)
            rows.append(layout->record(r));
        reads.append(double(clock.elapsed()));

        SilentPrompt prompt;
        clock.restart();
        SheetImport import(store, prompt);
        count = import.run(rows, BatchItem::MatchBy::IpAddress, SheetImport::OnDuplicate::Overwrite).count;
        imports.append(double(clock.elapsed()));

        // The window's preview: open the workbook, read the first sheet, fill the list.
        RecordListModel list;
        ProgramState state;
        RecordCommands commands(store, list, prompt, state);
        NoFileDialog files;
        FormEXCELDR form(commands, files);
        form.show();
        clock.restart();
        form.openWorkbook(sheet);
        QCoreApplication::processEvents();
        previews.append(double(clock.elapsed()));
        if (form.preview()->count() != Rows)
            return 1;
    }
    std::printf("read and lay out a sheet of %d rows (.xlsx): median %.0f ms\n", Rows, median(reads));
    std::printf(
        "import %d rows into %d records, half duplicates, Match IP, overwrite: median %.0f ms (count %d)\n",
        Rows, Rows, median(imports), count);
    std::printf("import window preview of %d rows (open, read, fill, show): median %.0f ms\n", Rows,
                median(previews));
    return 0;
}
