// Workbooks at scale: a sheet of 10,000 rows imported into a store of 10,000
// records, half of the rows holding an IP address that a record holds
// ("Match IP", overwrite), and the import window's preview of that sheet.
// The sheet is the record export of another store, so the .xlsx reader, the
// import run and the writer all take part. The same records as a legacy .xls
// (written by Perl's Spreadsheet::WriteExcel, when installed) are read too.
// Prints the median of each step.
//   netkestrel-sheets-bench
#include "app/dialogs/FormEXCELDR.h"
#include "bench/BenchMedian.h"
#include "lists/ListModel.h"
#include "lists/RecordListModel.h"
#include "records/RecordCommands.h"
#include "records/RecordStore.h"
#include "sheets/RecordSheet.h"
#include "sheets/RecordTableDump.h"
#include "sheets/RecordWorkbook.h"
#include "sheets/SheetImport.h"
#include "sheets/WorkbookReader.h"

#include "platform/FileDialog.h"
#include "platform/ProgramState.h"
#include "platform/Prompt.h"
#include "platform/WorkRunner.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
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

// The dump as a legacy .xls, one text cell per value, by another program.
bool writeXls(const RecordTableDump &dump, const QString &path)
{
    QByteArray lines = dump.fieldNames.join(QLatin1Char('\t')).toUtf8() + '\n';
    for (const QVariantList &row : dump.rows) {
        QStringList texts;
        for (const QVariant &value : row)
            texts.append(value.toString());
        lines += texts.join(QLatin1Char('\t')).toUtf8() + '\n';
    }
    QProcess perl;
    perl.start(QStringLiteral("perl"),
               {QStringLiteral("-MSpreadsheet::WriteExcel"), QStringLiteral("-e"),
                QStringLiteral("my $b = Spreadsheet::WriteExcel->new($ARGV[0]) or die; my $s = "
                               "$b->add_worksheet('sheet1'); my $r = 0; while (<STDIN>) { chomp; my @f = "
                               "split /\\t/, $_, -1; $s->write_string($r, $_, $f[$_]) for 0 .. $#f; $r++ } "
                               "$b->close or die;"),
                path});
    perl.write(lines);
    perl.closeWriteChannel();
    return perl.waitForFinished(120000) && perl.exitStatus() == QProcess::NormalExit && perl.exitCode() == 0;
}

// Opens the workbook and lays out its first sheet as records; false when
// that fails or the row count is not Rows.
bool readRecords(const QString &path, QList<PresetRecord> *records)
{
    Result<std::unique_ptr<WorkbookReader>> book = WorkbookReader::open(path);
    if (!book)
        return false;
    const Result<SheetGrid> grid = (*book)->readSheet(0);
    const std::optional<RecordSheet> layout = grid ? RecordSheet::fromGrid(*grid) : std::nullopt;
    if (!layout || layout->rowCount() != Rows)
        return false;
    for (int r = 0; r < layout->rowCount(); ++r)
        records->append(layout->record(r));
    return true;
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

    std::optional<QString> xls = dir.filePath(QStringLiteral("records.xls"));
    if (!writeXls(*dump, *xls)) {
        std::printf("no .xls: Perl's Spreadsheet::WriteExcel is not installed\n");
        xls.reset();
    }

    QList<double> reads, xlsReads, imports, previews;
    int count = 0;
    for (int run = 0; run < Runs; ++run) {
        // A store of rows 0 to 9,999: half of the sheet's IP addresses are taken.
        const QString folder = dir.filePath(QStringLiteral("store%1").arg(run));
        RecordStore store(folder);
        if (!fill(store, 0, QStringLiteral("store-")))
            return 1;

        clock.restart();
        QList<PresetRecord> rows;
        if (!readRecords(sheet, &rows))
            return 1;
        reads.append(double(clock.elapsed()));
        if (xls) {
            clock.restart();
            QList<PresetRecord> xlsRows;
            if (!readRecords(*xls, &xlsRows) || xlsRows.size() != rows.size())
                return 1;
            xlsReads.append(double(clock.elapsed()));
        }

        SilentPrompt prompt;
        clock.restart();
        SheetImport sheetImport(store, prompt);
        count =
            sheetImport.run(rows, BatchItem::MatchBy::IpAddress, SheetImport::OnDuplicate::Overwrite).count;
        imports.append(double(clock.elapsed()));

        // The window's preview: open the workbook, read the first sheet, fill the list.
        RecordListModel list;
        ProgramState state;
        RecordCommands commands(store, list, prompt, state);
        NoFileDialog files;
        PoolWorkRunner work(1);
        FormEXCELDR form(commands, files, work);
        form.show();
        clock.restart();
        form.openWorkbook(sheet);
        // The sheet's read is given once the workbook's has been handed back.
        do
            work.waitForDone();
        while (form.isRunning());
        QCoreApplication::processEvents();
        previews.append(double(clock.elapsed()));
        if (form.preview()->count() != Rows)
            return 1;
    }
    std::printf("read and lay out a sheet of %d rows (.xlsx): median %.0f ms\n", Rows, median(reads));
    if (xls)
        std::printf("read and lay out a sheet of %d rows (.xls): median %.0f ms\n", Rows, median(xlsReads));
    std::printf(
        "import %d rows into %d records, half duplicates, Match IP, overwrite: median %.0f ms (count %d)\n",
        Rows, Rows, median(imports), count);
    std::printf("import window preview of %d rows (open, read, fill, show): median %.0f ms\n", Rows,
                median(previews));
    return 0;
}
