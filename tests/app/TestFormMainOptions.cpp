// The main window's automatic-mode controls and "Print", offscreen: Combo1's
// entries, the start-up period and mode from T_set, Check4 and Combo1 driving
// the automatic-scan timer and T_set, and the analysis list printed to a PDF
// file through the print seam and through the real print dialog.
//
// No automatic step runs here (that test lives in the test network): every
// window starts with the mode stored off or with a day's period, its scan
// source is scripted and its range a test range before any event is
// processed, and each test switches the mode off before it ends.
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>

#include <memory>

#include "../scan/FakeHostSource.h"
#include "app/parts/MainMenus.h"
#include "app/widgets/ScanRangeEntry.h"
#include "app/window/FormMain.h"
#include "records/RecordStoreSession.h"
#include "tests/app/WindowFixture.h"
#include "tests/support/ScriptedDesktopServices.h"
#include "tests/support/ScriptedPrompt.h"

class TestFormMainOptions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void startUpFromStoredOptions_data();
    void startUpFromStoredOptions();
    void check4SwitchesTheTimer();
    void minuteBoxSetsThePeriod();
    void printWritesTheList();
    void printDialogPrintsToPdf();

private:
    QString dataFolder() const { return m_fixture->dataFolder(); }
    // T_set's row as raw values (a refused mins cannot go through the store).
    bool storeRow(int check4, int mins);
    AnalysisOptions stored();
    void make();
    void disarm();
    void addFindings();
    static QString pdfText(const QString &path);
    template <typename T>
    T *child(const char *name) const
    {
        return m_window->findChild<T *>(QLatin1String(name));
    }

    std::unique_ptr<WindowFixture> m_fixture;
    std::function<bool(QPrinter &)> m_choosePrinter;
    FakeHostSource::Log m_log;
    std::unique_ptr<FormMain> m_window;
};

void TestFormMainOptions::init()
{
    // Nothing of the user's own: config and data live in the test's folder.
    m_fixture = std::make_unique<WindowFixture>();
    QVERIFY(m_fixture->isValid());
    m_choosePrinter = nullptr;
}

void TestFormMainOptions::cleanup()
{
    m_window.reset();
    m_fixture.reset();
}

bool TestFormMainOptions::storeRow(int check4, int mins)
{
    RecordStore store(dataFolder());
    RecordStoreSession session(store);
    bool ok = false;
    {
        QSqlQuery query(session.db());
        ok =
            query.exec(QStringLiteral("DELETE FROM T_set")) &&
            query.exec(
                QStringLiteral(
                    "INSERT INTO T_set (check1, check2, check3, check4, check5, mins) VALUES (0, 1, 1, %1, 0, %2)")
                    .arg(check4)
                    .arg(mins));
    }
    return ok;
}

AnalysisOptions TestFormMainOptions::stored()
{
    RecordStore store(dataFolder());
    const Result<AnalysisOptions> read = AnalysisOptionsStore(store).LoadAnalysisOptions();
    if (read)
        return *read;
    AnalysisOptions options;
    options.mins = -1;
    return options;
}

void TestFormMainOptions::make()
{
    FormMain::Options options = m_fixture->options();
    options.choosePrinter = m_choosePrinter;
    m_window = std::make_unique<FormMain>(options);
    disarm();
}

void TestFormMainOptions::disarm()
{
    // Even a step that fired could only scan scripted hosts of a test range.
    m_window->scanRun().setSourceFactory([this](const ScanRange &range, const HostSource::Pacing &pacing) {
        return new FakeHostSource(range, pacing, {{0, QStringLiteral("00-0A-E4-00-07-01")}}, QString(),
                                  &m_log);
    });
    m_window->rangeEntry()->setBoxes({"198", "18", "7", "1", "198", "18", "7", "3"});
}

void TestFormMainOptions::addFindings()
{
    ScanRow row;
    row.number = QStringLiteral("1");
    row.ipAddress = QStringLiteral("198.18.7.9");
    row.macAddress = QStringLiteral("00-0A-E4-00-07-09");
    m_window->scanList().appendScanRow(row);
    m_window->menus()->action(QStringLiteral("JSmenu4"))->trigger(); // "Analyze All"
}

QString TestFormMainOptions::pdfText(const QString &path)
{
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    if (!pdftotext.waitForFinished(30000) || pdftotext.exitCode() != 0)
        return {};
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

void TestFormMainOptions::startUpFromStoredOptions_data()
{
    QTest::addColumn<int>("check4");
    QTest::addColumn<int>("mins");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("interval");
    // A day's period: this window's step could not come before the test ends.
    QTest::newRow("mode on, 1440") << 1 << 1440 << "1440" << 86400000;
    QTest::newRow("mode off, 30") << 0 << 30 << "30" << 1800000;
    QTest::newRow("stored 7 refused: 5, written back") << 0 << 7 << "5" << 300000;
}

void TestFormMainOptions::startUpFromStoredOptions()
{
    QFETCH(int, check4);
    QFETCH(int, mins);
    QFETCH(QString, shown);
    QFETCH(int, interval);
    QVERIFY(storeRow(check4, mins));
    make();
    const bool enabled = m_window->autoScan().ArTimer().Enable();
    m_window->autoScan().setAutoScan(false);

    QCOMPARE(enabled, check4 == 1);
    QCOMPARE(m_window->autoScan().ArTimer().Interval(), interval);
    auto *box = child<QComboBox>("Combo1");
    QStringList entries;
    for (int i = 0; i < box->count(); ++i)
        entries << box->itemText(i);
    QCOMPARE(entries, QStringList({"5", "10", "15", "30", "45", "60", "90", "120", "480", "1440"}));
    QCOMPARE(box->currentText(), shown);
    QCOMPARE(box->itemText(box->currentIndex()), shown);
    QVERIFY(box->isEnabled());
    QVERIFY(child<QCheckBox>("Check4")->isEnabled());
    QCOMPARE(child<QCheckBox>("Check4")->isChecked(), check4 == 1);
    QCOMPARE(stored().mins, shown.toInt());
    QVERIFY(m_fixture->prompt.requests().isEmpty());
}

void TestFormMainOptions::check4SwitchesTheTimer()
{
    QVERIFY(storeAutoScanOff(dataFolder()));
    make();
    auto *check4 = child<QCheckBox>("Check4");
    clsTimer &timer = m_window->autoScan().ArTimer();
    QVERIFY(!check4->isChecked() && !timer.Enable());

    check4->click();
    const bool onAfterTick = timer.Enable();
    const bool storedOn = stored().autoScan;
    check4->click();
    QVERIFY(onAfterTick);
    QVERIFY(storedOn);
    QVERIFY(!timer.Enable());
    QVERIFY(!stored().autoScan);
    QCOMPARE(timer.Interval(), 300000);
    QVERIFY(m_fixture->prompt.requests().isEmpty());
}

void TestFormMainOptions::minuteBoxSetsThePeriod()
{
    QVERIFY(storeAutoScanOff(dataFolder()));
    make();
    m_window->show();
    auto *box = child<QComboBox>("Combo1");
    QLineEdit *edit = box->lineEdit();
    clsTimer &timer = m_window->autoScan().ArTimer();

    box->setCurrentIndex(box->findText(QStringLiteral("1440"))); // an entry picked
    QCOMPARE(timer.Interval(), 86400000);
    QCOMPARE(stored().mins, 1440);

    const struct
    {
        const char *typed;
        bool accepted;
    } typing[] = {{"7", false}, {"abc", false}, {"", false}, {"60", true}, {"61", false}};
    int minutes = 1440;
    for (const auto &entry : typing) {
        edit->clear();
        QTest::keyClicks(edit, QLatin1String(entry.typed));
        QTest::keyClick(edit, Qt::Key_Return);
        if (entry.accepted)
            minutes = QByteArray(entry.typed).toInt();
        QCOMPARE(timer.Interval(), minutes * 60000);
        QCOMPARE(stored().mins, minutes);
        QCOMPARE(box->currentText(), QString::number(minutes)); // a refused text does not stay
        QCOMPARE(box->count(), 10);                             // nor becomes an entry
    }
    QVERIFY(!timer.Enable()); // the mode stays as Check4 says
    QVERIFY(m_fixture->prompt.requests().isEmpty());
}

void TestFormMainOptions::printWritesTheList()
{
    QVERIFY(storeAutoScanOff(dataFolder()));
    const QString path = m_fixture->path(QStringLiteral("analysis.pdf"));
    int asked = 0;
    bool accept = true;
    m_choosePrinter = [&](QPrinter &printer) {
        ++asked;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        return accept;
    };
    make();
    QAction *print = m_window->menus()->action(QStringLiteral("JSmenu2"));
    QVERIFY(print->isEnabled());
    // The analysis list's pop-up is the "&Analyze" menu: its "Print" is this item.
    QVERIFY(m_window->menus()->menu(QStringLiteral("JSmenu"))->actions().contains(print));

    print->trigger(); // an empty list: said so, no printer asked for
    QCOMPARE(asked, 0);
    QCOMPARE(m_fixture->prompt.requests().size(), 1);
    QCOMPARE(m_fixture->prompt.lastRequest().title, QStringLiteral("Notice"));
    QCOMPARE(m_fixture->prompt.lastRequest().text, QStringLiteral("No record to print!"));
    QCOMPARE(m_fixture->prompt.lastRequest().icon, PromptIcon::Exclamation);

    addFindings();
    QCOMPARE(m_window->analysisList().count(), 2);
    accept = false; // the dialog cancelled: nothing printed
    print->trigger();
    QCOMPARE(asked, 1);
    QVERIFY(!QFile::exists(path));

    accept = true;
    print->trigger();
    QCOMPARE(asked, 2);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.read(4) == "%PDF");
    file.close();
    const QString text = pdfText(path);
    QVERIFY2(text.contains(QLatin1String("Netkestrel Analysis of the scanning result")), qPrintable(text));
    QVERIFY(text.contains(QLatin1String("Page 1")));
    QVERIFY(text.contains(QLatin1String("This IP has not been preset yet")));
    QCOMPARE(m_fixture->prompt.requests().size(), 1);
}

void TestFormMainOptions::printDialogPrintsToPdf()
{
    // No printer is needed: the window's own print dialog offers a PDF file.
    QVERIFY(storeAutoScanOff(dataFolder()));
    make();
    m_window->show();
    addFindings();
    const QString path = m_fixture->path(QStringLiteral("dialog.pdf"));
    QString failure = QStringLiteral("no print dialog opened");
    QTimer::singleShot(0, this, [&] {
        auto *dialog = m_window->findChild<QPrintDialog *>(QStringLiteral("PrintDialog"));
        if (!dialog)
            return;
        QComboBox *printers = nullptr;
        for (QComboBox *box : dialog->findChildren<QComboBox *>()) {
            if (box->findText(QStringLiteral("Print to File (PDF)")) >= 0)
                printers = box;
        }
        auto *file = dialog->findChild<QLineEdit *>(QStringLiteral("filename"));
        if (!printers || !file) {
            failure = QStringLiteral("the dialog has no \"Print to File (PDF)\" with a file name");
            dialog->reject();
            return;
        }
        printers->setCurrentIndex(printers->findText(QStringLiteral("Print to File (PDF)")));
        file->setText(path);
        failure.clear();
        dialog->accept();
    });
    m_window->menus()->action(QStringLiteral("JSmenu2"))->trigger();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.read(4) == "%PDF");
    QVERIFY(m_fixture->prompt.requests().isEmpty());
}

QTEST_MAIN(TestFormMainOptions)
#include "TestFormMainOptions.moc"
