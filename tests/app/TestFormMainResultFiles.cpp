#include "app/commands/AnalysisExportCommands.h"
#include "app/commands/ResultFileCommands.h"
#include "app/parts/MainMenus.h"
#include "export/ListHtmlWriter.h"
#include "export/ListTextWriter.h"
#include "export/ScanResultFile.h"
#include "tests/app/WindowFixture.h"
#include "tests/support/ScriptedFileDialog.h"

#include <QAction>
#include <QFile>
#include <QGuiApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

// Records the pointer shown while the dialog is up (-1: the normal one).
class CursorNotingFileDialog : public ScriptedFileDialog
{
public:
    QString choose(const FileDialogRequest &request) override
    {
        const QCursor *cursor = QGuiApplication::overrideCursor();
        shapes.append(cursor ? int(cursor->shape()) : -1);
        return ScriptedFileDialog::choose(request);
    }

    QList<int> shapes;
};

QList<ScanRow> sampleRows()
{
    return {
        ScanRow::fromFields({"1", "198.18.7.1", "00-0A-E4-00-07-01", "PC-\"ACCOUNTS\",X", "OFFICE", ""}),
        ScanRow::fromFields({"", "198.18.7.2", ScanRow::NonRespondedMarker, "", "", ""}),
        ScanRow::fromFields({"7", "198.18.7.3", "00-0A-E4-00-07-03", QString::fromUtf8("Köln-Büro-主机"),
                             "WG", "Vendor, Inc."}),
    };
}

// The six texts and the icon of every row.
QList<QStringList> fieldsOf(const ScanListModel &list)
{
    QList<QStringList> rows;
    for (int row = 0; row < list.count(); ++row)
        rows.append(list.scanRow(row).fields() << QString::number(list.row(row).iconIndex));
    return rows;
}

std::unique_ptr<ScanListModel> sampleListModel()
{
    auto list = std::make_unique<ScanListModel>();
    for (const ScanRow &row : sampleRows())
        list->appendScanRow(row);
    return list;
}

} // namespace

// The window's scan result Save and Open and the analysis list's text and
// HTML export, driven offscreen by object names, with the question, the file
// dialog and the desktop answered in advance.
class TestFormMainResultFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void saveAndOpenRoundTrip();
    void saveEmptyList();
    void openAnswers_data();
    void openAnswers();
    void truncatedFileKeepsRows();
    void unwritableSaveSaysSo();
    void analysisExport_data();
    void analysisExport();
    void largeFileFillsInFewInsertions();

private:
    void trigger(const char *name) { m_window->menus()->action(QLatin1String(name))->trigger(); }
    void fillScanList(const QList<ScanRow> &rows);
    QList<QStringList> shownFields() const;
    QString file(const char *name) const { return m_f->path(QLatin1String(name)); }

    std::unique_ptr<WindowFixture> m_f;
    std::unique_ptr<FormMain> m_window;
    CursorNotingFileDialog m_fileDialog;
};

void TestFormMainResultFiles::init()
{
    m_f = std::make_unique<WindowFixture>();
    QVERIFY(m_f->isValid());
    QVERIFY(storeAutoScanOff(m_f->dataFolder()));
    FormMain::Options options = m_f->options();
    m_fileDialog = {};
    options.fileDialog = &m_fileDialog;
    m_window = std::make_unique<FormMain>(options);
    m_f->prompt.reset();
}

void TestFormMainResultFiles::cleanup()
{
    // Whatever a command did, the pointer is the normal one again.
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    m_window.reset();
    m_f.reset();
}

void TestFormMainResultFiles::fillScanList(const QList<ScanRow> &rows)
{
    for (const ScanRow &row : rows)
        m_window->scanList().appendScanRow(row);
}

QList<QStringList> TestFormMainResultFiles::shownFields() const
{
    return fieldsOf(m_window->scanList());
}

void TestFormMainResultFiles::saveAndOpenRoundTrip()
{
    fillScanList(sampleRows());
    const QList<QStringList> before = shownFields();
    const QString path = file("scan.kst");
    m_fileDialog.answer(path);
    m_window->findChild<QPushButton *>(QStringLiteral("CmdSave"))->click();
    QVERIFY(m_f->prompt.requests().isEmpty());
    QCOMPARE(m_fileDialog.requests().size(), 1);
    const FileDialogRequest saveAsked = m_fileDialog.requests().constLast();
    QCOMPARE(saveAsked.mode, FileDialogMode::Save);
    QCOMPARE(QStringList({saveAsked.title, saveAsked.filter, saveAsked.startFolder, saveAsked.extension()}),
             QStringList({"Save the scanning result as...", "Netkestrel File (*.kst)|*.kst",
                          m_f->dataFolder(), "kst"}));
    QCOMPARE(m_fileDialog.shapes, QList<int>{int(Qt::WaitCursor)});

    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    QCOMPARE(bytes.count("\r\n"), 3);
    QVERIFY(bytes.endsWith("\"Vendor, Inc.\"\r\n"));
    QVERIFY(bytes.contains("\"\",\"198.18.7.2\",\"Non-Responded IP\",\"\",\"\",\"\"\r\n"));

    // Yes clears what is shown; the rows come back as saved, icons included.
    m_window->scanList().appendScanRow(ScanRow::fromFields({"9", "198.18.7.9"}));
    m_fileDialog.answer(path);
    m_f->prompt.queueAnswer(PromptAnswer::Yes);
    trigger("menuPopS5");
    QCOMPARE(m_f->prompt.requests().size(), 1);
    const PromptRequest question = m_f->prompt.lastRequest();
    QCOMPARE(question.title, QStringLiteral("Notice"));
    QCOMPARE(question.text, QStringLiteral("Clear the current scanning result when load the old ones?\r\n\r\n"
                                           "Yes: Clear the current result; No: Keep them."));
    QCOMPARE(question.buttons, PromptButtons::YesNoCancel);
    QCOMPARE(question.icon, PromptIcon::Question);
    const FileDialogRequest openAsked = m_fileDialog.requests().constLast();
    QCOMPARE(openAsked.mode, FileDialogMode::Open);
    QCOMPARE(
        QStringList({openAsked.title, openAsked.filter, openAsked.startFolder}),
        QStringList({"Loading the scanning result ...", "Netkestrel File (*.kst)|*.kst", m_f->dataFolder()}));
    QCOMPARE(shownFields(), before);
    QCOMPARE(m_window->scanList().row(1).iconIndex, int(ScanRow::SilentIcon));
}

void TestFormMainResultFiles::saveEmptyList()
{
    trigger("menuPopS4");
    QVERIFY(m_fileDialog.requests().isEmpty());
    QCOMPARE(m_f->prompt.requests().size(), 1);
    const PromptRequest said = m_f->prompt.lastRequest();
    QCOMPARE(QStringList({said.title, said.text}), QStringList({"Notice", "No record to save!"}));
    QCOMPARE(said.icon, PromptIcon::Exclamation);
}

void TestFormMainResultFiles::openAnswers_data()
{
    QTest::addColumn<bool>("startEmpty");
    QTest::addColumn<QList<PromptAnswer>>("answers"); // one Open per answer
    QTest::addColumn<bool>("chooses");                // else every dialog is cancelled
    QTest::addColumn<int>("copies");                  // of the saved rows, in the list afterwards
    QTest::addColumn<int>("dialogs");

    using A = PromptAnswer;
    QTest::newRow("Yes replaces") << false << QList<A>{A::Yes} << true << 1 << 1;
    QTest::newRow("No appends") << false << QList<A>{A::No} << true << 2 << 1;
    QTest::newRow("No twice doubles") << true << QList<A>{A::No, A::No} << true << 2 << 2;
    QTest::newRow("Cancel keeps") << false << QList<A>{A::Cancel} << true << 1 << 0;
    QTest::newRow("Yes, dialog cancelled keeps") << false << QList<A>{A::Yes} << false << 1 << 1;
    QTest::newRow("No, dialog cancelled") << false << QList<A>{A::No} << false << 1 << 1;
}

void TestFormMainResultFiles::openAnswers()
{
    QFETCH(bool, startEmpty);
    QFETCH(QList<PromptAnswer>, answers);
    QFETCH(bool, chooses);
    QFETCH(int, copies);
    QFETCH(int, dialogs);
    const QString path = file("scan.kst");
    QVERIFY(ScanResultFile::save(path, sampleRows()).ok());
    if (!startEmpty)
        fillScanList(sampleRows());
    for (PromptAnswer answer : answers) {
        m_f->prompt.queueAnswer(answer);
        chooses ? m_fileDialog.answer(path) : m_fileDialog.cancel();
        trigger("SMmenu1");
    }
    QCOMPARE(m_fileDialog.requests().size(), dialogs);
    QCOMPARE(m_f->prompt.requests().size(), int(answers.size())); // no message besides the questions
    QList<QStringList> expected;
    for (int i = 0; i < copies; ++i)
        expected += fieldsOf(*sampleListModel());
    QCOMPARE(shownFields(), expected);
}

void TestFormMainResultFiles::truncatedFileKeepsRows()
{
    const QString path = file("cut.kst");
    QFile cut(path);
    QVERIFY(cut.open(QIODevice::WriteOnly));
    cut.write("\"1\",\"198.18.7.1\",\"a\",\"\",\"\",\"\"\r\n\"2\",\"198.18.7.2\",\"b\",\"\",\"\",\"\"\r\n"
              "\"3\",\"198.18.7.3\",\"c\"");
    cut.close();
    fillScanList({ScanRow::fromFields({"5", "198.18.7.5"})});
    m_f->prompt.queueAnswer(PromptAnswer::No);
    m_fileDialog.answer(path);
    trigger("SMmenu1");
    QCOMPARE(m_window->scanList().count(), 3);
    QCOMPARE(m_window->scanList().text(2, ScanListModel::IpColumn), QStringLiteral("198.18.7.2"));
    QCOMPARE(m_f->prompt.requests().size(), 2);
    const PromptRequest said = m_f->prompt.lastRequest();
    QCOMPARE(said.title, QStringLiteral("Error"));
    QVERIFY2(said.text.contains(QLatin1String("middle of a record")), qPrintable(said.text));
}

void TestFormMainResultFiles::unwritableSaveSaysSo()
{
    fillScanList(sampleRows());
    const QString path = file("no-such-folder/scan.kst");
    m_fileDialog.answer(path);
    trigger("SMmenu3");
    QCOMPARE(m_f->prompt.requests().size(), 1);
    QCOMPARE(m_f->prompt.lastRequest().title, QStringLiteral("Error"));
    QVERIFY(!QFile::exists(path));
    QCOMPARE(m_window->scanList().count(), 3);
}

void TestFormMainResultFiles::analysisExport_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<bool>("html");
    QTest::addColumn<int>("findings");
    const QString text = QLatin1String(AnalysisExportCommands::TextFilter);
    const QString html = QLatin1String(AnalysisExportCommands::HtmlFilter);
    QTest::newRow("text") << "JSmenu12" << text << false << 2;
    QTest::newRow("text, empty list") << "JSmenu12" << text << false << 0;
    QTest::newRow("html") << "JSmenu13" << html << true << 2;
    QTest::newRow("html, empty list") << "JSmenu13" << html << true << 0;
}

void TestFormMainResultFiles::analysisExport()
{
    QFETCH(QString, item);
    QFETCH(QString, filter);
    QFETCH(bool, html);
    QFETCH(int, findings);
    AnalysisListModel &list = m_window->analysisList();
    for (int i = 0; i < findings; ++i)
        list.appendEntry(
            {QStringLiteral("2024-05-0%1 10:00:00").arg(i + 1), QStringLiteral("IP <%1> & co").arg(i)});
    const QString path = file("findings.out");

    m_fileDialog.cancel();
    trigger(item.toLatin1().constData());
    QVERIFY(!QFile::exists(path));
    QVERIFY(m_f->desktop.opened().isEmpty());

    m_fileDialog.answer(path);
    trigger(item.toLatin1().constData());
    QCOMPARE(m_fileDialog.requests().size(), 2);
    const FileDialogRequest asked = m_fileDialog.requests().constLast();
    QCOMPARE(asked.mode, FileDialogMode::Save);
    QCOMPARE(QStringList({asked.title, asked.filter, asked.startFolder}),
             QStringList({"Save result as ...", filter, m_f->dataFolder()}));
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), html ? ListHtmlWriter::format(list, {}) : ListTextWriter::format(list, true));
    QCOMPARE(m_f->desktop.opened(), QList<QUrl>{QUrl::fromLocalFile(path)});
    QVERIFY(m_f->prompt.requests().isEmpty());

    // A failed write is a message, and nothing is opened.
    m_fileDialog.answer(file("no-such-folder/findings.out"));
    trigger(item.toLatin1().constData());
    QCOMPARE(m_f->prompt.requests().size(), 1);
    QCOMPARE(m_f->prompt.lastRequest().title, QStringLiteral("Error"));
    QCOMPARE(m_f->desktop.opened().size(), 1);
}

void TestFormMainResultFiles::largeFileFillsInFewInsertions()
{
    constexpr int Rows = 65536;
    QList<ScanRow> rows;
    rows.reserve(Rows);
    for (int n = 0; n < Rows; ++n)
        rows.append(ScanRow::fromFields(
            {QString::number(n + 1), QStringLiteral("198.18.%1.%2").arg(n >> 8).arg(n & 255)}));
    const QString path = file("large.kst");
    QVERIFY(ScanResultFile::save(path, rows).ok());
    QSignalSpy inserted(&m_window->scanList(), &QAbstractItemModel::rowsInserted);
    m_f->prompt.queueAnswer(PromptAnswer::Yes);
    m_fileDialog.answer(path);
    trigger("SMmenu1");
    QCOMPARE(m_window->scanList().count(), Rows);
    QCOMPARE(m_window->scanList().text(Rows - 1, ScanListModel::IpColumn), QStringLiteral("198.18.255.255"));
    const int batches = (Rows + ResultFileCommands::RowsPerInsertion - 1) /
                        ResultFileCommands::RowsPerInsertion;
    QCOMPARE(inserted.size(), batches);
    QVERIFY(batches <= 16);
}

QTEST_MAIN(TestFormMainResultFiles)
#include "TestFormMainResultFiles.moc"
