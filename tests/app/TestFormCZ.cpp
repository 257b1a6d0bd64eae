#include "app/desktop/MessageBoxPrompt.h"
#include "app/dialogs/FormCZ.h"
#include "lists/ScanListModel.h"
#include "tests/support/RecordFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextLayout>
#include <QTimer>
#include <QWindow>

namespace {

// Glyph 0 is the empty square a font draws for a character it lacks; the
// fallback fonts are searched before it is used.
bool drawsEveryCharacter(const QString &text, const QFont &font)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    for (const QGlyphRun &run : layout.glyphRuns()) {
        if (run.glyphIndexes().contains(0))
            return false;
    }
    return true;
}

} // namespace

class TestFormCZ : public QObject
{
    Q_OBJECT

private slots:
    void searchesTheTargetList();
    void takesFocusAndOwnsItsMessage();
};

void TestFormCZ::searchesTheTargetList()
{
    ScanListModel scan;
    scan.appendScanRow({"1", "10.0.0.1", "00-00-00-00-00-01", "scanhost", {}, {}, 1, {}});
    scan.appendScanRow({"2", "10.0.0.2", "00-00-00-00-00-02", "scanhost2", {}, {}, 1, {}});
    RecordFixture fixture;
    RecordListModel &records = fixture.list();
    records.setRecords({PresetRecord::fromFields({"10.0.0.1", {}, "ABC-PC"}, 1),
                        PresetRecord::fromFields({"10.0.0.12", {}, "x"}, 2)});
    ProgramState &state = fixture.state();
    ScriptedPrompt &prompt = fixture.prompt();

    QVERIFY(StartFind(records, ProgramState::FindRecordList, state));
    QPointer<FormCZ> form = new FormCZ(scan, records, state, prompt);
    QVERIFY(!form->isModal());
    QVERIFY(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(form->windowTitle(), QStringLiteral("Find"));
    auto *findNext = form->findChild<QPushButton *>(QStringLiteral("XPButton1"));
    auto *text = form->findChild<QComboBox *>(QStringLiteral("Combo1"));
    QVERIFY(findNext && text);
    QVERIFY(!findNext->isEnabled());
    QVERIFY(form->findChild<QRadioButton *>(QStringLiteral("Option1"))->isChecked());

    text->setEditText(QStringLiteral("10.0.0"));
    QVERIFY(findNext->isEnabled());
    QSignalSpy searched(form.data(), &FormCZ::listSearched);
    findNext->click();
    QCOMPARE(records.currentRow(), 0);
    findNext->click();
    QCOMPARE(records.currentRow(), 1);
    findNext->click();
    QCOMPARE(records.currentRow(), 1);
    QCOMPARE(prompt.requests().size(), 1);
    QCOMPARE(prompt.lastRequest().text, QString::fromUtf8("已搜索指定区域!"));
    QCOMPARE(searched.size(), 3);
    QCOMPARE(searched.last().at(1).toInt(), 0);

    form->findChild<QCheckBox *>(QStringLiteral("Check2"))->setChecked(true);
    form->findChild<QRadioButton *>(QStringLiteral("Option2"))->setChecked(true);
    text->setEditText(QStringLiteral("abc"));
    QCOMPARE(form->findNext(), 0); // upward from row 2: "ABC-PC" differs in case

    // The same dialog on the scan list.
    state.FindTarget = ProgramState::FindScanList;
    form->findChild<QRadioButton *>(QStringLiteral("Option1"))->setChecked(true);
    form->findChild<QCheckBox *>(QStringLiteral("Check1"))->setChecked(true);
    text->setEditText(QStringLiteral("scanhost2"));
    QCOMPARE(form->findNext(), 2);
    QCOMPARE(scan.currentRow(), 1);

    form->findChild<QPushButton *>(QStringLiteral("XPButton2"))->click();
    QTRY_VERIFY(form.isNull());
}

// Opened over the main window, as the Find command does, with the window's
// own prompt: the dialog takes the keyboard focus, and the end-of-search
// box is the dialog's own, so that it stands above the dialog that stays on
// top instead of hiding behind it.
void TestFormCZ::takesFocusAndOwnsItsMessage()
{
    RecordFixture fixture;
    RecordListModel &records = fixture.list();
    records.setRecords({PresetRecord::fromFields({"10.0.0.1", {}, "ABC-PC"}, 1)});
    ScanListModel scan;
    ProgramState &state = fixture.state();
    QWidget window;
    MessageBoxPrompt prompt(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    QVERIFY(StartFind(records, ProgramState::FindRecordList, state));
    QPointer<FormCZ> form = new FormCZ(scan, records, state, prompt, &window);
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form));
    auto *text = form->findChild<QComboBox *>(QStringLiteral("Combo1"));
    QTRY_VERIFY(QApplication::focusWidget() == text || QApplication::focusWidget() == text->lineEdit());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("no such host"));
    QCOMPARE(text->currentText(), QStringLiteral("no such host"));

    // The box is modal: look at it and answer it from the event loop.
    QWidget *boxParent = nullptr;
    QWindow *boxTransientParent = nullptr;
    QString boxText;
    bool boxTextDrawn = false;
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        answer.stop();
        boxParent = box->parentWidget();
        boxTransientParent = box->windowHandle() ? box->windowHandle()->transientParent() : nullptr;
        boxText = box->text();
        boxTextDrawn = drawsEveryCharacter(boxText, box->font());
        box->button(QMessageBox::Ok)->click();
    });
    answer.start(10);
    form->findChild<QPushButton *>(QStringLiteral("XPButton1"))->click();
    QCOMPARE(boxText, QString::fromUtf8("已搜索指定区域!"));
    QVERIFY2(boxTextDrawn, "no installed font has the message's characters (fonts-wqy-microhei does)");
    QCOMPARE(boxParent, form.data());
    QCOMPARE(boxTransientParent, form->windowHandle());
    delete form;
}

QTEST_MAIN(TestFormCZ)
#include "TestFormCZ.moc"
