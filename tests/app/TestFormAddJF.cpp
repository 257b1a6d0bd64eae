#include "app/dialogs/FormAddJF.h"
#include "tests/support/RecordFixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class TestFormAddJF : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void addSaveTwiceThenModifyUnchanged();
    void duplicateIsRefused();
    void deletedRecordIsReportedGone();
    void leavingTheMacBoxUpperCasesIt();

private:
    static QLineEdit *box(FormAddJF &form, int k)
    {
        return form.findChild<QLineEdit *>(QStringLiteral("Text1_%1").arg(k));
    }
    static void click(FormAddJF &form, int k)
    {
        auto *button = form.findChild<QPushButton *>(QStringLiteral("XPButton1_%1").arg(k));
        QVERIFY(button);
        button->click();
    }

    std::unique_ptr<RecordFixture> m_fixture;
};

void TestFormAddJF::init()
{
    m_fixture = std::make_unique<RecordFixture>();
    QVERIFY(m_fixture->isValid());
    QVERIFY(m_fixture->commands().addLIST());
}

void TestFormAddJF::addSaveTwiceThenModifyUnchanged()
{
    m_fixture->commands().beginAdd();
    {
        FormAddJF form(m_fixture->commands());
        QCOMPARE(form.windowTitle(), QStringLiteral("Add to Record"));
        QVERIFY(form.isModal());
        box(form, 0)->setText(QStringLiteral("192.168.1.10"));
        box(form, 1)->setText(QStringLiteral("00-0a-e4-20-53-55"));
        box(form, 7)->setText(QStringLiteral("  port 7 "));
        click(form, 0);
        QCOMPARE(m_fixture->prompt().lastRequest().text, QStringLiteral("Successfully saved"));
        QCOMPARE(box(form, 1)->text(), QStringLiteral("00-0A-E4-20-53-55"));
        QCOMPARE(m_fixture->list().count(), 1);
        box(form, 2)->setText(QStringLiteral("pc"));
        click(form, 0);
        QCOMPARE(m_fixture->list().count(), 1);
        QCOMPARE(m_fixture->list().text(0, 3), QStringLiteral("pc"));
        QCOMPARE(m_fixture->list().text(0, 8), QStringLiteral("port 7"));
        QCOMPARE(form.windowTitle(), QStringLiteral("Add to Record"));
    }

    m_fixture->list().setCurrentRow(0);
    QVERIFY(m_fixture->commands().beginModify());
    m_fixture->prompt().reset();
    FormAddJF form(m_fixture->commands());
    QCOMPARE(form.windowTitle(), QStringLiteral("Modify the Record"));
    QCOMPARE(box(form, 0)->text(), QStringLiteral("192.168.1.10"));
    QCOMPARE(box(form, 2)->text(), QStringLiteral("pc"));
    click(form, 0);
    QCOMPARE(m_fixture->prompt().requests().size(), 1);
    QCOMPARE(m_fixture->prompt().lastRequest().title, QStringLiteral("successful"));

    // "Add" empties the boxes; the next save adds a second record.
    click(form, 2);
    for (int k = 0; k < 9; ++k)
        QVERIFY(box(form, k)->text().isEmpty());
    QCOMPARE(form.windowTitle(), QStringLiteral("Modify the Record"));
    box(form, 0)->setText(QStringLiteral("192.168.1.11"));
    box(form, 1)->setText(QStringLiteral("00-0A-E4-20-53-56"));
    click(form, 0);
    QCOMPARE(m_fixture->list().count(), 2);
}

void TestFormAddJF::duplicateIsRefused()
{
    const PresetRecord r = m_fixture->add(QStringLiteral("10.0.0.1"), QStringLiteral("00-00-00-00-00-01"));
    QVERIFY(r.id != 0);
    m_fixture->commands().beginAdd();
    FormAddJF form(m_fixture->commands());
    box(form, 0)->setText(QStringLiteral("10.0.0.2"));
    box(form, 1)->setText(QStringLiteral("00-00-00-00-00-01"));
    click(form, 0);
    QCOMPARE(m_fixture->prompt().lastRequest().text,
             QStringLiteral("[00-00-00-00-00-01] already exists in Record. This MAC"));
    QCOMPARE(m_fixture->store().loadAll()->size(), 1);
    QCOMPARE(box(form, 0)->text(), QStringLiteral("10.0.0.2"));
}

void TestFormAddJF::deletedRecordIsReportedGone()
{
    const PresetRecord r = m_fixture->add(QStringLiteral("10.0.0.1"), QStringLiteral("00-00-00-00-00-01"));
    QVERIFY(r.id != 0);
    QVERIFY(m_fixture->commands().addLIST());
    m_fixture->list().setCurrentRow(0);
    QVERIFY(m_fixture->commands().beginModify());
    FormAddJF form(m_fixture->commands());
    QVERIFY(m_fixture->store().deleteRecords({r.id}));
    click(form, 0);
    QCOMPARE(m_fixture->prompt().lastRequest().text, QLatin1String(RecordEditor::RecordGoneText));
    QVERIFY(m_fixture->store().loadAll()->isEmpty());
}

void TestFormAddJF::leavingTheMacBoxUpperCasesIt()
{
    m_fixture->commands().beginAdd();
    FormAddJF form(m_fixture->commands());
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    box(form, 0)->setFocus();
    QTRY_VERIFY(box(form, 0)->hasFocus());
    // Leaving the empty IP box checks it too.
    QTest::keyClick(box(form, 0), Qt::Key_Tab);
    QTRY_COMPARE(m_fixture->prompt().requests().size(), 1);
    QCOMPARE(m_fixture->prompt().lastRequest().text, QStringLiteral("Invalid IP address."));
    QTRY_VERIFY(box(form, 1)->hasFocus());
    QTest::keyClicks(box(form, 1), QStringLiteral("00-0a-e4-20-53-5f"));
    QTest::keyClick(box(form, 1), Qt::Key_Tab);
    QTRY_COMPARE(box(form, 1)->text(), QStringLiteral("00-0A-E4-20-53-5F"));
    QCOMPARE(m_fixture->prompt().requests().size(), 1);
}

QTEST_MAIN(TestFormAddJF)
#include "TestFormAddJF.moc"
