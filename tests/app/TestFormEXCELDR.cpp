#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "app/commands/SpreadsheetCommands.h"
#include "app/dialogs/FormEXCELDR.h"
#include "app/parts/MainMenus.h"
#include "lists/ListModel.h"
#include "lists/ScanListModel.h"
#include "sheets/RecordSheet.h"
#include "sheets/RecordTableDump.h"
#include "sheets/RecordWorkbook.h"
#include "sheets/ScanListWorkbook.h"
#include "sheets/SheetImport.h"
#include "tests/app/WindowFixture.h"
#include "tests/sheets/SheetTools.h"
#include "tests/support/RecordFixture.h"
#include "tests/support/ScriptedFileDialog.h"
#include "tests/support/ScriptedWorkRunner.h"

// The spreadsheet import window driven offscreen through its controls, by
// their object names, and the workbook items of the main window's menus.
class TestFormEXCELDR : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void controlsOnOpening_data();
    void controlsOnOpening();
    void browseCancelled();
    void damagedFile();
    void sheetsPreviewAndRefusal();
    void ticksAndMatchPair();
    void importTickedRows();
    void windowGoesOnWhileTheWorkRuns_data();
    void windowGoesOnWhileTheWorkRuns();
    void menuExports();
    void menuImportOpensTheWindow();

private:
    template <typename T>
    T *child(const char *name) const
    {
        T *found = m_form->findChild<T *>(QLatin1String(name));
        if (!found)
            qWarning("no %s", name);
        return found;
    }
    QStringList previewHeaders() const;
    void requireXls();

    std::unique_ptr<RecordFixture> m_fixture;
    ScriptedFileDialog m_dialog;
    ScriptedWorkRunner m_work;
    std::unique_ptr<FormEXCELDR> m_form;
    QString m_xls;
};

void TestFormEXCELDR::init()
{
    m_fixture = std::make_unique<RecordFixture>();
    QVERIFY(m_fixture->isValid());
    m_dialog = ScriptedFileDialog();
    m_work.hold(false);
    m_form = std::make_unique<FormEXCELDR>(m_fixture->commands(), m_dialog, m_work);
    m_form->show();
    m_xls = m_fixture->filePath(QStringLiteral("records.xls"));
}

void TestFormEXCELDR::cleanup()
{
    m_form.reset();
    // No way through the window may leave the hourglass behind.
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void TestFormEXCELDR::requireXls()
{
    if (const QString missing = SheetTools::xlsWriterMissing(); !missing.isEmpty())
        QSKIP(qPrintable(missing));
    QVERIFY(SheetTools::writeXls(m_xls));
}

QStringList TestFormEXCELDR::previewHeaders() const
{
    QStringList headers;
    const ListModel *model = m_form->preview();
    for (int c = 0; c < model->columnCount(); ++c)
        headers.append(model->headerData(c, Qt::Horizontal).toString());
    return headers;
}

void TestFormEXCELDR::controlsOnOpening_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("checked");

    QTest::newRow("browse") << "cmdBrowseExcel"
                            << "..." << false;
    QTest::newRow("select all") << "Check1"
                                << "Select all" << false;
    QTest::newRow("invert") << "Check2"
                            << "Invert" << false;
    QTest::newRow("match IP") << "Check3_0"
                              << "Match IP" << true;
    QTest::newRow("match MAC") << "Check3_1"
                               << "Match MAC" << false;
    QTest::newRow("ask") << "OptAdd_0"
                         << "Ask when find duplicate IP or MAC" << true;
    QTest::newRow("overwrite") << "OptAdd_1"
                               << "Automatically overwrite the duplicate items" << false;
    QTest::newRow("skip") << "OptAdd_2"
                          << "Automatically skip the duplicate items" << false;
    QTest::newRow("import") << "CmdADD"
                            << "Import" << false;
    QTest::newRow("close") << "Cmdclose"
                           << "Close" << false;
}

void TestFormEXCELDR::controlsOnOpening()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(bool, checked);
    auto *button = m_form->findChild<QAbstractButton *>(name);
    QVERIFY2(button, qPrintable(name));
    QCOMPARE(button->text(), text);
    QCOMPARE(button->isChecked(), checked);
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Import from Excel file"));
    QCOMPARE(child<QLabel>("Label1")->text(), QStringLiteral("Status"));
    QCOMPARE(
        child<QLabel>("Label4")->text(),
        QStringLiteral("Notice: Imported file must matched the reqired format.  Please check it with the "
                       "Exported Excel Sheet format!"));
    QCOMPARE(child<QProgressBar>("ProBar")->value(), 0);
    QCOMPARE(child<QComboBox>("cmbSheets")->count(), 0);
    QCOMPARE(previewHeaders(), QStringList{FormEXCELDR::LineNumberHeader});
}

void TestFormEXCELDR::browseCancelled()
{
    m_dialog.cancel();
    QTest::mouseClick(child<QPushButton>("cmdBrowseExcel"), Qt::LeftButton);
    QCOMPARE(m_dialog.requests().size(), 1);
    const FileDialogRequest request = m_dialog.requests().first();
    QCOMPARE(request.mode, FileDialogMode::Open);
    QCOMPARE(request.title, QStringLiteral("Open Excel File..."));
    QVERIFY(request.filter.startsWith(QStringLiteral("MS EXCEL File (*.xls)|")));
    QVERIFY(child<QLineEdit>("txtExcelFile")->text().isEmpty());
    QCOMPARE(child<QComboBox>("cmbSheets")->count(), 0);
    QVERIFY(m_fixture->prompt().requests().isEmpty());
}

void TestFormEXCELDR::damagedFile()
{
    const QString path = m_fixture->filePath(QStringLiteral("damaged.xls"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("this is no workbook\r\n");
    file.close();
    m_dialog.answer(path);
    QTest::mouseClick(child<QPushButton>("cmdBrowseExcel"), Qt::LeftButton);
    QCOMPARE(child<QLineEdit>("txtExcelFile")->text(), path);
    QCOMPARE(child<QComboBox>("cmbSheets")->count(), 0);
    QCOMPARE(m_fixture->prompt().requests().size(), 1);
    QCOMPARE(m_fixture->prompt().lastRequest().title, QStringLiteral("Error"));
    QVERIFY(m_fixture->prompt().lastRequest().text.contains(QStringLiteral("cannot be opened")));
    QCOMPARE(m_form->preview()->count(), 0);
}

void TestFormEXCELDR::sheetsPreviewAndRefusal()
{
    requireXls();
    m_dialog.answer(m_xls);
    m_form->browse();
    auto *sheets = child<QComboBox>("cmbSheets");
    QCOMPARE(sheets->count(), 3);
    QCOMPARE(sheets->currentText(), QStringLiteral("Records"));
    // The first sheet is shown at once: its ten names after "Line Number".
    QCOMPARE(previewHeaders().size(), RecordSheet::ColumnCount + 1);
    QCOMPARE(previewHeaders().first(), QLatin1String(FormEXCELDR::LineNumberHeader));
    QCOMPARE(previewHeaders().at(2), QStringLiteral("IPAddress"));
    ListModel *preview = m_form->preview();
    QCOMPARE(preview->count(), 3);
    for (int r = 0; r < preview->count(); ++r) {
        QCOMPARE(preview->text(r, 0), QString::number(r + 1));
        QVERIFY(!preview->isChecked(r));
    }
    QCOMPARE(preview->text(1, 4), QStringLiteral("7"));
    QCOMPARE(child<QTableView>("ListView1")->model(), preview);

    // Eleven columns: refused, the preview keeps "Line Number" alone.
    sheets->setCurrentIndex(1);
    QCOMPARE(m_fixture->prompt().requests().size(), 1);
    const PromptRequest refusal = m_fixture->prompt().lastRequest();
    QCOMPARE(refusal.text, QLatin1String(RecordSheet::FormatRefusedText));
    QCOMPARE(refusal.title, QStringLiteral("Error"));
    QCOMPARE(refusal.icon, PromptIcon::Exclamation);
    QCOMPARE(previewHeaders(), QStringList{FormEXCELDR::LineNumberHeader});
    QCOMPARE(m_form->preview()->count(), 0);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    // "Import" then finds no rows.
    SheetImport::Outcome outcome{-1};
    m_form->importTicked([&outcome](const SheetImport::Outcome &o) { outcome = o; });
    QCOMPARE(outcome.count, 0);

    // Other names are accepted.
    sheets->setCurrentIndex(2);
    QCOMPARE(previewHeaders().mid(1, 4), QStringList({"No", "Address", "Hardware", "F4"}));
    QCOMPARE(m_form->preview()->count(), 1);
}

void TestFormEXCELDR::ticksAndMatchPair()
{
    requireXls();
    m_dialog.answer(m_xls);
    m_form->browse();
    ListModel *preview = m_form->preview();
    preview->setChecked(0, true);
    QTest::mouseClick(child<QCheckBox>("Check2"), Qt::LeftButton);
    QCOMPARE(preview->checkedRows(), QList<int>({1, 2}));
    QTest::mouseClick(child<QCheckBox>("Check1"), Qt::LeftButton);
    QCOMPARE(preview->checkedRows(), QList<int>({0, 1, 2}));
    QTest::mouseClick(child<QCheckBox>("Check1"), Qt::LeftButton);
    QCOMPARE(preview->checkedRows(), QList<int>());

    auto *ip = child<QCheckBox>("Check3_0");
    auto *mac = child<QCheckBox>("Check3_1");
    QTest::mouseClick(mac, Qt::LeftButton);
    QVERIFY(mac->isChecked() && !ip->isChecked());
    QTest::mouseClick(mac, Qt::LeftButton);
    QVERIFY(!mac->isChecked() && ip->isChecked());
    QTest::mouseClick(ip, Qt::LeftButton);
    QVERIFY(mac->isChecked() && !ip->isChecked());
}

void TestFormEXCELDR::importTickedRows()
{
    requireXls();
    m_dialog.answer(m_xls);
    m_form->browse();
    // Rows 1 and 2 hold one MAC: the first is added, the second overwrites it.
    m_form->preview()->setChecked(0, true);
    m_form->preview()->setChecked(1, true);
    QTest::mouseClick(child<QCheckBox>("Check3_1"), Qt::LeftButton);
    QTest::mouseClick(child<QRadioButton>("OptAdd_1"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>("CmdADD"), Qt::LeftButton);

    QCOMPARE(child<QLabel>("Label1")->text(), SheetImport::statusLine(2));
    QCOMPARE(child<QProgressBar>("ProBar")->value(), 100);
    QVERIFY(m_form->isEnabled());
    QCOMPARE(m_fixture->prompt().lastRequest().text, QLatin1String(SheetImport::ClosingText));
    // The record list was loaded again.
    QCOMPARE(m_fixture->list().count(), 1);
    QCOMPARE(m_fixture->list().record(0).ipAddress, QStringLiteral("10.0.0.2"));
}

void TestFormEXCELDR::windowGoesOnWhileTheWorkRuns_data()
{
    QTest::addColumn<bool>("import"); // otherwise the workbook's read and its preview
    QTest::newRow("preview") << false;
    QTest::newRow("import") << true;
}

void TestFormEXCELDR::windowGoesOnWhileTheWorkRuns()
{
    QFETCH(bool, import);
    requireXls();
    m_dialog.answer(m_xls);
    if (import) {
        m_form->browse();
        m_form->preview()->setAllChecked(true);
    }
    m_work.hold(true);
    if (import)
        child<QPushButton>("CmdADD")->click();
    else
        m_form->browse();

    QCOMPARE(m_work.pending(), 1);
    bool fired = false;
    QTimer::singleShot(0, [&fired] { fired = true; });
    QTRY_VERIFY(fired);
    QVERIFY(m_form->isRunning());
    for (const char *name : {"cmdBrowseExcel", "cmbSheets", "CmdADD", "Cmdclose"})
        QVERIFY2(!child<QWidget>(name)->isEnabled(), name);
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    m_form->close();
    QVERIFY(m_form->isVisible());

    // The workbook's read hands over to its first sheet's.
    while (m_work.release())
        ;
    QVERIFY(!m_form->isRunning());
    QVERIFY(child<QPushButton>("Cmdclose")->isEnabled());
    QCOMPARE(m_form->preview()->count(), 3);
    QCOMPARE(child<QProgressBar>("ProBar")->value(), 100);
    QCOMPARE(m_fixture->list().count(), import ? 2 : 0);
}

void TestFormEXCELDR::menuExports()
{
    m_form.reset();
    WindowFixture window;
    QVERIFY(window.isValid());
    ScriptedFileDialog dialog;
    FormMain::Options options = window.options();
    options.fileDialog = &dialog;
    QVERIFY(storeAutoScanOff(window.dataFolder()));
    FormMain main(options);
    MainMenus *menus = main.menus();

    // An empty record table: "No Record!" and no dialog.
    menus->action(QStringLiteral("BAmenu6"))->trigger();
    QCOMPARE(window.prompt.lastRequest().text, QLatin1String(RecordWorkbook::NoRecordText));
    QCOMPARE(window.prompt.lastRequest().icon, PromptIcon::None);
    QCOMPARE(dialog.requests().size(), 0);

    // The scan list, through the pop-up entry that forwards to the item.
    main.scanList().appendScanRow(
        ScanRow::fromFields({"1", "198.18.7.2", "00-0A-E4-20-53-55", "0123", "WG", "V"}));
    const QString scanPath = window.path(QStringLiteral("scan.xlsx"));
    dialog.answer(scanPath);
    menus->action(QStringLiteral("menuPopS9"))->trigger();
    QCOMPARE(dialog.requests().size(), 1);
    QCOMPARE(dialog.requests().first().mode, FileDialogMode::Save);
    QVERIFY(QFile::exists(scanPath));
    QCOMPARE(window.desktop.opened(), QList<QUrl>{QUrl::fromLocalFile(scanPath)});

    // The records, once there are some; a cancelled dialog writes nothing.
    RecordStore store(window.dataFolder());
    QVERIFY(store.insertRecord(PresetRecord::fromFields({"198.18.7.2", "00-0A-E4-20-53-55"})).ok());
    dialog.cancel();
    menus->action(QStringLiteral("BAmenu6"))->trigger();
    QCOMPARE(window.desktop.opened().size(), 1);
    const QString recordPath = window.path(QStringLiteral("records.xlsx"));
    dialog.answer(recordPath);
    menus->action(QStringLiteral("BAmenu6"))->trigger();
    QVERIFY(QFile::exists(recordPath));
    QCOMPARE(window.desktop.opened().last(), QUrl::fromLocalFile(recordPath));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void TestFormEXCELDR::menuImportOpensTheWindow()
{
    m_form.reset();
    WindowFixture window;
    QVERIFY(window.isValid());
    ScriptedFileDialog dialog;
    FormMain::Options options = window.options();
    options.fileDialog = &dialog;
    QVERIFY(storeAutoScanOff(window.dataFolder()));
    FormMain main(options);
    main.menus()->action(QStringLiteral("menuPopD10"))->trigger();
    auto *form = main.findChild<FormEXCELDR *>(QStringLiteral("FormEXCELDR"));
    QVERIFY(form);
    QVERIFY(form->isModal());
    QTRY_VERIFY(form->isVisible());
    form->close();
}

QTEST_MAIN(TestFormEXCELDR)
#include "TestFormEXCELDR.moc"
