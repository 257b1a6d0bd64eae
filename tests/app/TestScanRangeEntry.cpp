// The eight range boxes: typing rules, focus moves and the method lock.
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QVBoxLayout>

#include "app/widgets/ScanRangeEntry.h"

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
    void naturalTyping_data();
    void naturalTyping();
    void caretKeys_data();
    void caretKeys();
    void pastingAnAddress_data();
    void pastingAnAddress();
    void methodLocksToBoxes();
    void backwardsCaptions();

private:
    QWidget *focused() const { return QApplication::focusWidget(); }
    // Types as a person does: every key goes to the widget that has the
    // focus at that moment, and the window's events run between keys.
    void typeIntoFocus(const QString &keys);
    int focusedBox() const; // 8: the Scan button, -1: elsewhere

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
    QTest::addColumn<int>("focusBox"); // 8: the Scan button
    QTest::newRow("over 255 becomes 255, moves on") << 0 << "300"
                                                    << "255" << 1;
    QTest::newRow("third digit moves on") << 1 << "168"
                                          << "168" << 2;
    QTest::newRow("two digits stay") << 2 << "17"
                                     << "17" << 2;
    QTest::newRow("dot moves on, inserts nothing") << 0 << "10."
                                                   << "10" << 1;
    QTest::newRow("comma moves on") << 4 << "7,"
                                    << "7" << 5;
    QTest::newRow("letters and signs are swallowed") << 3 << "a1-b2 "
                                                     << "12" << 3;
    QTest::newRow("third digit of box 7 stays there") << 7 << "254"
                                                      << "254" << 7;
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

void TestScanRangeEntry::typeIntoFocus(const QString &keys)
{
    for (const QChar key : keys) {
        QTest::keyClick(focused(), key.toLatin1());
        QCoreApplication::processEvents();
    }
}

int TestScanRangeEntry::focusedBox() const
{
    if (focused() == m_scan)
        return 8;
    for (int i = 0; i < ScanRangeEntry::BoxCount; ++i) {
        if (focused() == m_entry->box(i))
            return i;
    }
    return -1;
}

namespace {

// What the window puts into the boxes at start-up, so that a box the typing
// skips keeps a visible stale value.
const QStringList DefaultBoxes = {"10", "1", "2", "1", "10", "1", "2", "255"};

} // namespace

void TestScanRangeEntry::naturalTyping_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<int>("focusBox");
    QTest::newRow("dot after a third digit") << "192.168.1.10"
                                             << "192.168.1.10"
                                             << "10.1.2.255" << 3;
    QTest::newRow("short octets") << "10.0.0.1"
                                  << "10.0.0.1"
                                  << "10.1.2.255" << 3;
    QTest::newRow("every octet three digits") << "198.100.200.254"
                                              << "198.100.200.254"
                                              << "10.1.2.255" << 3;
    QTest::newRow("comma as the dot") << "172,16,100,7"
                                      << "172.16.100.7"
                                      << "10.1.2.255" << 3;
    QTest::newRow("capped octet") << "300.1.2.3"
                                  << "255.1.2.3"
                                  << "10.1.2.255" << 3;
    QTest::newRow("a second dot skips a box") << "192..5"
                                              << "192.1.5.1"
                                              << "10.1.2.255" << 2;
    QTest::newRow("both rows") << "198.18.7.1.198.18.7.254"
                               << "198.18.7.1"
                               << "198.18.7.254" << 7;
}

void TestScanRangeEntry::naturalTyping()
{
    QFETCH(QString, keys);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(int, focusBox);
    m_entry->setMethod(ScanMethod::Udp);
    m_entry->setBoxes(DefaultBoxes);
    m_entry->box(0)->setFocus();
    QTRY_COMPARE(focused(), m_entry->box(0));
    QCoreApplication::processEvents();
    typeIntoFocus(keys);
    const QStringList boxes = m_entry->boxes();
    QCOMPARE(boxes.mid(0, 4).join(QLatin1Char('.')), from);
    QCOMPARE(boxes.mid(4, 4).join(QLatin1Char('.')), to);
    QCOMPARE(focusedBox(), focusBox);
}

void TestScanRangeEntry::caretKeys_data()
{
    // Keys: digits and "." as typed, B Backspace, D Delete, < Left, > Right.
    QTest::addColumn<bool>("arp");
    QTest::addColumn<int>("box");
    QTest::addColumn<int>("caret"); // where the caret starts; -1: the box selected, -2: a click at its end
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("boxes");
    QTest::addColumn<int>("focusBox");
    // Start: 198.18.75.1 to 198.18.7.254.
    QTest::newRow("click at the end: the row keeps its digits") << false << 3 << -2 << "254"
                                                                << "198.18.75.125.198.18.7.254" << 3;
    QTest::newRow("last box keeps the caret") << false << 7 << -1 << "254B"
                                              << "198.18.75.1.198.18.7.25" << 7;
    QTest::newRow("Backspace in an empty box goes back") << false << 3 << -1 << "BB9"
                                                         << "198.18.79..198.18.7.254" << 2;
    QTest::newRow("Backspace at the start goes back") << false << 2 << 0 << "B"
                                                      << "198.1.75.1.198.18.7.254" << 1;
    QTest::newRow("Backspace after a move on") << false << 4 << -1 << "123B"
                                               << "198.18.75.1.12.18.7.254" << 4;
    QTest::newRow("Backspace stops at the row's start") << false << 4 << 0 << "B"
                                                        << "198.18.75.1.198.18.7.254" << 4;
    QTest::newRow("Delete at the end goes on") << false << 1 << 2 << "D"
                                               << "198.18.5.1.198.18.7.254" << 2;
    QTest::newRow("Right at the end, Left at the start") << false << 1 << 2 << "><B>1"
                                                         << "198.1.175.1.198.18.7.254" << 2;
    QTest::newRow("digit in the middle stays there") << false << 1 << 1 << "09"
                                                     << "198.108.75.1.198.18.7.254" << 1;
    QTest::newRow("full box, caret at its end, moves on") << false << 0 << 3 << "2"
                                                          << "198.218.75.1.198.18.7.254" << 1;
    QTest::newRow("ARP: locked boxes are passed by") << true << 7 << 0 << "B<"
                                                     << "198.18.75.1.198.18.7.254" << 7;
}

void TestScanRangeEntry::caretKeys()
{
    QFETCH(bool, arp);
    QFETCH(int, box);
    QFETCH(int, caret);
    QFETCH(QString, keys);
    QFETCH(QString, boxes);
    QFETCH(int, focusBox);
    m_entry->setMethod(arp ? ScanMethod::Arp : ScanMethod::Udp);
    m_entry->setBoxes({"198", "18", "75", "1", "198", "18", "7", "254"});
    QLineEdit *edit = m_entry->box(box);
    if (caret == -2) {
        QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(edit->width() - 3, edit->height() / 2));
    } else {
        edit->setFocus();
        QTRY_VERIFY(edit->hasSelectedText());
        if (caret >= 0)
            edit->setCursorPosition(caret);
    }
    QTRY_COMPARE(focused(), edit);
    QCoreApplication::processEvents();
    const QHash<QChar, Qt::Key> named{
        {'B', Qt::Key_Backspace}, {'D', Qt::Key_Delete}, {'<', Qt::Key_Left}, {'>', Qt::Key_Right}};
    for (const QChar key : keys) {
        if (named.contains(key))
            QTest::keyClick(focused(), named.value(key));
        else
            QTest::keyClick(focused(), key.toLatin1());
        QCoreApplication::processEvents();
    }
    QCOMPARE(m_entry->boxes().join(QLatin1Char('.')), boxes);
    QCOMPARE(focusedBox(), focusBox);
}

void TestScanRangeEntry::pastingAnAddress_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<bool>("byKey"); // Ctrl+V, else the context menu's way
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<int>("focusBox");
    QTest::newRow("From row") << 0 << "198.18.7.20" << true
                              << QStringList{"198", "18", "7", "20", "10", "1", "2", "255"} << 3;
    QTest::newRow("To row, by menu") << 4 << "198.18.9.200" << false
                                     << QStringList{"10", "1", "2", "1", "198", "18", "9", "200"} << 7;
    QTest::newRow("line end from a terminal")
        << 0 << "198.18.7.20\n"
        << true << QStringList{"198", "18", "7", "20", "10", "1", "2", "255"} << 3;
    QTest::newRow("octet over 255 capped")
        << 0 << "198.18.7.999" << true << QStringList{"198", "18", "7", "255", "10", "1", "2", "255"} << 3;
    QTest::newRow("digits alone as before")
        << 0 << "77" << true << QStringList{"77", "1", "2", "1", "10", "1", "2", "255"} << 0;
    QTest::newRow("half an address refused") << 0 << "198.18" << true << DefaultBoxes << 0;
    QTest::newRow("into a middle box")
        << 2 << "198.18.7.20" << true << QStringList{"198", "18", "7", "20", "10", "1", "2", "255"} << 3;
}

void TestScanRangeEntry::pastingAnAddress()
{
    QFETCH(int, box);
    QFETCH(QString, clipboard);
    QFETCH(bool, byKey);
    QFETCH(QStringList, boxes);
    QFETCH(int, focusBox);
    m_entry->setMethod(ScanMethod::Udp);
    m_entry->setBoxes(DefaultBoxes);
    QGuiApplication::clipboard()->setText(clipboard);
    QLineEdit *edit = m_entry->box(box);
    edit->setFocus();
    QTRY_COMPARE(focused(), edit);
    QTRY_VERIFY(edit->hasSelectedText()); // getting the focus selects the box's text
    if (byKey)
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    else
        edit->paste();
    QCOMPARE(m_entry->boxes(), boxes);
    QCOMPARE(focusedBox(), focusBox);
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
    QCOMPARE(m_entry->box(4)->palette().color(QPalette::Text),
             m_entry->palette().color(QPalette::ButtonText));
}

void TestScanRangeEntry::backwardsCaptions()
{
    auto caption = [this](int i) {
        return m_window->findChild<QLabel *>(QStringLiteral("Label1_%1").arg(i))->text();
    };
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
