#include <QFile>
#include <QTest>

#include "app/dialogs/FormEXCELDR.h"
#include "lists/ListModel.h"
#include "sheets/RecordTableDump.h"
#include "sheets/RecordWorkbook.h"
#include "sheets/SheetImport.h"
#include "tests/support/CliProcess.h"
#include "tests/support/RecordFixture.h"
#include "tests/support/ScriptedFileDialog.h"
#include "tests/support/ScriptedWorkRunner.h"

enum class Path { SheetEngine, SheetCli, ScanCli, Window };
Q_DECLARE_METATYPE(Path)

namespace {

// Row k + 1 of the sheet and of the scan file: valid, colon MAC, lower-case
// MAC, bad octet, empty, bad MAC.
const QStringList Ips = {"198.18.9.1", "198.18.9.2", "198.18.9.3", "100.64.50.300", "", "198.18.9.6"};
const QStringList Macs = {
    "00-0A-E4-00-09-01", "00:0a:e4:00:09:02", "00-0a-e4-00-09-03", "00-0A-E4-00-09-04", "",
    "ZZ-00-00-00-00-01"};

} // namespace

// Every way rows come into the records applies the record editor's rules:
// the same six rows through the workbook import (engine, command line,
// window) and the command line's scan-row import.
class TestImportValidation : public QObject
{
    Q_OBJECT

    std::unique_ptr<RecordFixture> m_f;

    QString writeWorkbook()
    {
        RecordTableDump table;
        table.fieldNames = QStringList{"ID"} + QStringList(PresetRecord::FieldCount, QStringLiteral("F"));
        for (int k = 0; k < Ips.size(); ++k)
            table.rows.append({k + 1, Ips.at(k), Macs.at(k), "", "", "", "", "", "", ""});
        const QString path = m_f->filePath(QStringLiteral("records.xlsx"));
        return RecordWorkbook::write(table, path) ? path : QString();
    }

    QString writeScanFile()
    {
        QFile file(m_f->filePath(QStringLiteral("scan.kst")));
        if (!file.open(QIODevice::WriteOnly))
            return {};
        for (int k = 0; k < Ips.size(); ++k)
            file.write(QStringLiteral("\"%1\",\"%2\",\"%3\",\"\",\"\",\"\"\r\n")
                           .arg(k + 1)
                           .arg(Ips.at(k), Macs.at(k))
                           .toUtf8());
        return file.fileName();
    }

private slots:
    void importPaths_data();
    void importPaths();
};

void TestImportValidation::importPaths_data()
{
    QTest::addColumn<Path>("path");
    QTest::newRow("workbook, engine") << Path::SheetEngine;
    QTest::newRow("records import") << Path::SheetCli;
    QTest::newRow("records import-scan") << Path::ScanCli;
    QTest::newRow("workbook, window") << Path::Window;
}

void TestImportValidation::importPaths()
{
    QFETCH(Path, path);
    m_f = std::make_unique<RecordFixture>();
    QVERIFY(m_f->isValid());
    QString said; // the closing message, or the command line's standard error
    if (path == Path::SheetEngine) {
        QList<PresetRecord> rows;
        for (int k = 0; k < Ips.size(); ++k)
            rows.append(PresetRecord::fromFields({Ips.at(k), Macs.at(k)}));
        SheetImport run(m_f->store(), m_f->prompt());
        QCOMPARE(run.run(rows, BatchItem::MatchBy::IpAddress, SheetImport::OnDuplicate::Skip).skipped, 3);
        said = m_f->prompt().lastRequest().text;
    } else if (path == Path::Window) {
        ScriptedFileDialog dialog;
        ScriptedWorkRunner work;
        FormEXCELDR form(m_f->commands(), dialog, work);
        form.openWorkbook(writeWorkbook());
        SheetImport::Outcome outcome{-1};
        const auto keep = [&outcome](const SheetImport::Outcome &o) { outcome = o; };
        // Nothing ticked is said as such, not as a closing message.
        form.importTicked(keep);
        QCOMPARE(outcome.count, 0);
        QCOMPARE(m_f->prompt().lastRequest().text, QLatin1String(SheetImport::NothingTickedText));
        form.preview()->setAllChecked(true);
        form.importTicked(keep);
        QCOMPARE(outcome.skipped, 3);
        said = m_f->prompt().lastRequest().text;
    } else {
        const QStringList command =
            path == Path::SheetCli
                ? QStringList{"import", writeWorkbook(), "--match", "ip", "--on-duplicate", "skip"}
                : QStringList{"import-scan", writeScanFile()};
        const CliProcess::Run r =
            CliProcess::run(QStringList{"records"} + command + QStringList{"--data-dir", m_f->folder()});
        QCOMPARE(r.status, 0);
        said = r.err;
    }
    const QString closing = QStringLiteral(
        "Successfully added to record !\n3 rows were skipped: no IP or no MAC "
        "address in row 5; invalid IP address in row 4; invalid MAC address "
        "in row 6.");
    QVERIFY2(said.replace("\r\n", "\n").contains(closing), qPrintable(said));
    QStringList stored;
    for (const PresetRecord &record : *m_f->store().loadAll())
        stored.append(record.ipAddress + QLatin1Char('|') + record.macAddress);
    QCOMPARE(stored, QStringList({"198.18.9.1|00-0A-E4-00-09-01", "198.18.9.2|00-0A-E4-00-09-02",
                                  "198.18.9.3|00-0A-E4-00-09-03"}));
}

QTEST_MAIN(TestImportValidation)
#include "TestImportValidation.moc"
