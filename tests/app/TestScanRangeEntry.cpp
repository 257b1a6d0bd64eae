// The eight range boxes: typing rules, focus moves and the method lock.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QVBoxLayout>

#include "ScanRangeEntry.h"

class TestScanRangeEntry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void typing_data();
    void typing();
    void enterOnEmptyBoxStays();
    void lastBoxMovesToScan();
    void fillingMovesNoFocus();
    void methodLocksToBoxes();
    void backwardsCaptions();

private:
    QWidget *focused() const { return QApplication::focusWidget(); }

    QWidget *m_window = nullptr;
    ScanRangeEntry *m_entry = nullptr;
    QPushButton *m_scan = nullptr;
};

void TestScanRangeEntry::init()
{
    m_window = new QWidget;
    auto *layout = new QVBoxLayout(m_window);
    m_entry = new ScanRangeEntry(m_window);
    m_scan = new QPushButton(QStringLiteral("Scan"), m_window);
    m_entry->setScanButton(m_scan);
    layout->addWidget(m_entry);
    layout->addWidget(m_scan);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
}

void TestScanRangeEntry::cleanup()
{
    delete m_window;
}

void TestScanRangeEntry::typing_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("focusBox");  // 8: the Scan button
    QTest::newRow("over 255 becomes 255, moves on") << 0 << "300" << "255" << 1;
    QTest::newRow("third digit moves on") << 1 << "168" << "168" << 2;
    QTest::newRow("two digits stay") << 2 << "17" << "17" << 2;
    QTest::newRow("dot moves on, inserts nothing") << 0 << "10." << "10" << 1;
    QTest::newRow("comma moves on") << 4 << "7," << "7" << 5;
    QTest::newRow("letters and signs are swallowed") << 3 << "a1-b2 " << "12" << 3;
    QTest::newRow("third digit of box 7 goes to Scan") << 7 << "254" << "254" << 8;
}

void TestScanRangeEntry::typing()
{
    QFETCH(int, box);
    QFETCH(QString, keys);
    QFETCH(QString, text);
    QFETCH(int, focusBox);
    m_entry->setMethod(ScanMethod::Udp);
    QLineEdit *edit = m_entry->box(box);
    edit->setFocus();
    QTRY_COMPARE(focused(), edit);
    QTest::keyClicks(edit, keys);
    QCOMPARE(edit->text(), text);
    QCOMPARE(focused(), focusBox == 8 ? static_cast<QWidget *>(m_scan) : m_entry->box(focusBox));
}

void TestScanRangeEntry::enterOnEmptyBoxStays()
{
    QLineEdit *edit = m_entry->box(2);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(focused(), edit);
    QTest::keyClicks(edit, QStringLiteral("5"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(focused(), m_entry->box(3));
    // Backspace edits as usual.
    QTest::keyClicks(m_entry->box(3), QStringLiteral("12"));
    QTest::keyClick(m_entry->box(3), Qt::Key_Backspace);
    QCOMPARE(m_entry->box(3)->text(), QStringLiteral("1"));
}

void TestScanRangeEntry::lastBoxMovesToScan()
{
    m_entry->box(7)->setFocus();
    QTest::keyClicks(m_entry->box(7), QStringLiteral("9."));
    QCOMPARE(focused(), m_scan);
}

void TestScanRangeEntry::fillingMovesNoFocus()
{
    m_entry->box(0)->setFocus();
    m_entry->setBoxes({"198", "18", "7", "1", "198", "18", "7", "255"});
    QCOMPARE(focused(), m_entry->box(0));
    QCOMPARE(m_entry->boxes(), QStringList({"198", "18", "7", "1", "198", "18", "7", "255"}));
    m_entry->setBoxes({});
    QCOMPARE(m_entry->boxes(), QStringList(8, QString()));
}

void TestScanRangeEntry::methodLocksToBoxes()
{
    QCOMPARE(m_entry->method(), ScanMethod::Arp);
    QVERIFY(m_window->findChild<QRadioButton *>(QStringLiteral("Option1_0"))->isChecked());
    for (int i = 0; i < 8; ++i)
        QCOMPARE(m_entry->box(i)->isReadOnly(), i >= 4 && i <= 6);
    const QColor grey = m_entry->box(4)->palette().color(QPalette::Text);
    QCOMPARE(grey, m_entry->palette().color(QPalette::Dark));

    m_entry->setBoxes({"198", "18", "7", "200", "10", "0", "0", "10"});
    // ARP: the locked boxes stand for the "From" network.
    QCOMPARE(m_entry->boxesForScan(), QStringList({"198", "18", "7", "200", "198", "18", "7", "10"}));

    QTest::mouseClick(m_window->findChild<QRadioButton *>(QStringLiteral("Option1_3")), Qt::LeftButton);
    QCOMPARE(m_entry->method(), ScanMethod::Udp);
    for (int i = 4; i < 7; ++i)
        QVERIFY(!m_entry->box(i)->isReadOnly());
    QCOMPARE(m_entry->boxesForScan(), m_entry->boxes());
    QCOMPARE(m_entry->box(4)->palette().color(QPalette::Text), m_entry->palette().color(QPalette::ButtonText));
}

void TestScanRangeEntry::backwardsCaptions()
{
    auto caption = [this](int i) { return m_window->findChild<QLabel *>(QStringLiteral("Label1_%1").arg(i))->text(); };
    QCOMPARE(caption(0), QStringLiteral("From:"));
    QCOMPARE(caption(2), QStringLiteral("Scan by:"));
    m_entry->showRangeOrder(true);
    QCOMPARE(caption(0), QStringLiteral("To:"));
    QCOMPARE(caption(1), QStringLiteral("From:"));
    m_entry->showRangeOrder(false);
    QCOMPARE(caption(0), QStringLiteral("From:"));
    QCOMPARE(caption(1), QStringLiteral("To:"));
}

QTEST_MAIN(TestScanRangeEntry)
#include "TestScanRangeEntry.moc"
