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
    QTest::addColumn<QStringList>("filterTypedSaved");
    QTest::newRow("scan result") << QStringList{"Netkestrel File (*.kst)|*.kst", "lan1", "lan1.kst"};
    QTest::newRow("text export") << QStringList{"Save as text file (*.TXT)|*.TXT", "lan1", "lan1.TXT"};
    QTest::newRow("html export") << QStringList{"Save as html file (*.html)|*.html", "lan1", "lan1.html"};
    QTest::newRow("description alone") << QStringList{"Backup (*.KSBK)", "old", "old.KSBK"};
    QTest::newRow("own suffix kept") << QStringList{"Netkestrel File (*.kst)|*.kst", "lan1.old", "lan1.old"};
    QTest::newRow("any file") << QStringList{"All File (*.*)|*.*", "notes", "notes"};
}

void TestQtFileDialog::saveAddsTheDefaultExtension()
{
    QFETCH(QStringList, filterTypedSaved);
    QTemporaryDir folder;
    QtFileDialog dialogs;
    answerNextDialog(folder.filePath(filterTypedSaved.at(1)));
    QCOMPARE(
        dialogs.choose({FileDialogMode::Save, QStringLiteral("Save"), filterTypedSaved.at(0), folder.path()}),
        folder.filePath(filterTypedSaved.at(2)));
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
