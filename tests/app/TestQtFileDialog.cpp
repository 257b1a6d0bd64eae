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

void TestQtFileDialog::saveAddsTheDefaultExtension()
{
    QTemporaryDir folder;
    QtFileDialog dialogs;
    answerNextDialog(folder.filePath(QStringLiteral("result")));
    const QString chosen = dialogs.choose(
        {FileDialogMode::Save, QStringLiteral("Save the scanning result as..."),
         QStringLiteral("Netkestrel File (*.kst)|*.kst"), folder.path(), QStringLiteral("kst")});
    QCOMPARE(chosen, folder.filePath(QStringLiteral("result.kst")));
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
