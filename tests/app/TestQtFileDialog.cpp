#include "app/desktop/QtFileDialog.h"

#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// The window's file dialog: the filter text of the design as Qt's name
// filters, and the real dialog answered from a timer.
class TestQtFileDialog : public QObject
{
    Q_OBJECT

private slots:
    void nameFilters_data();
    void nameFilters();
    void saveAddsTheDefaultExtension_data();
    void saveAddsTheDefaultExtension();
    void cancelAnswersEmpty();
};

void TestQtFileDialog::nameFilters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("pattern in the description")
        << "Netkestrel File (*.kst)|*.kst" << QStringList{"Netkestrel File (*.kst)"};
    // Qt takes the patterns from the last parentheses: the pattern given wins.
    QTest::newRow("description in other case")
        << "Text File(*.TXT)|*.txt" << QStringList{"Text File(*.TXT) (*.txt)"};
    QTest::newRow("pairs, final bar")
        << "Backup|*.KSBK|All files|*|" << QStringList{"Backup (*.KSBK)", "All files (*)"};
    QTest::newRow("description alone") << "Backup (*.KSBK)" << QStringList{"Backup (*.KSBK)"};
    QTest::newRow("empty") << "" << QStringList{};
}

void TestQtFileDialog::nameFilters()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    QCOMPARE(QtFileDialog::nameFilters(filter), expected);
}

namespace {

// Answers the next file dialog that opens: a typed name, or cancel.
void answerNextDialog(const QString &typed)
{
    QTimer::singleShot(0, [typed] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        if (typed.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->selectFile(typed);
        static_cast<QDialog *>(dialog)->accept(); // QFileDialog::accept is protected
    });
}

} // namespace

void TestQtFileDialog::saveAddsTheDefaultExtension_data()
{
    // A typed name gets the extension its filter lists again, whatever the dialog.
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("saved");
    QTest::newRow("scan result") << "Netkestrel File (*.kst)|*.kst"
                                 << "lan1"
                                 << "lan1.kst";
    QTest::newRow("text export") << "Save as text file (*.TXT)|*.TXT"
                                 << "findings"
                                 << "findings.TXT";
    QTest::newRow("html export") << "Save as html file (*.html)|*.html"
                                 << "findings"
                                 << "findings.html";
    QTest::newRow("workbook") << "Excel Workbook (*.xlsx)|*.xlsx"
                              << "lan1"
                              << "lan1.xlsx";
    QTest::newRow("description alone") << "Backup (*.KSBK)"
                                       << "old"
                                       << "old.KSBK";
    QTest::newRow("first of two") << "MS EXCEL File (*.xls)|*.xls;*.xlsx"
                                  << "book"
                                  << "book.xls";
    QTest::newRow("own suffix kept") << "Netkestrel File (*.kst)|*.kst"
                                     << "lan1.old"
                                     << "lan1.old";
    QTest::newRow("any file") << "All File (*.*)|*.*"
                              << "notes"
                              << "notes";
}

void TestQtFileDialog::saveAddsTheDefaultExtension()
{
    QFETCH(QString, filter);
    QFETCH(QString, typed);
    QFETCH(QString, saved);
    QTemporaryDir folder;
    QtFileDialog dialogs;
    answerNextDialog(folder.filePath(typed));
    QCOMPARE(dialogs.choose({FileDialogMode::Save, QStringLiteral("Save"), filter, folder.path()}),
             folder.filePath(saved));
}

void TestQtFileDialog::cancelAnswersEmpty()
{
    QTemporaryDir folder;
    QtFileDialog dialogs;
    answerNextDialog({});
    QVERIFY(
        dialogs.choose({FileDialogMode::Open, QStringLiteral("Open"), QStringLiteral("All|*"), folder.path()})
            .isEmpty());
}

QTEST_MAIN(TestQtFileDialog)
#include "TestQtFileDialog.moc"
