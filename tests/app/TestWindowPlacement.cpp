// The main window's size, position and splitter kept between starts, in the
// test's own config folder, offscreen (one screen at the origin): what a
// closed window stored comes back, within the window's minimum size, the
// splitter's bounds and the screens.
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QSettings>
#include <QTableView>
#include <QTest>

#include <memory>

#include "app/parts/ScanPane.h"
#include "app/parts/StatusBarPanels.h"
#include "app/parts/WindowPlacement.h"
#include "app/window/FormMain.h"
#include "tests/app/WindowFixture.h"
#include "tests/support/ScriptedDesktopServices.h"
#include "tests/support/ScriptedPrompt.h"

class TestWindowPlacement : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void closedWindowComesBackAsItWas();
    void storedValuesAreChecked_data();
    void storedValuesAreChecked();
    void maximisedWindowKeepsItsNormalPlace();
    void nothingStoredBeforeTheFirstClose();
    void firstStartShowsEveryColumn();

private:
    std::unique_ptr<FormMain> make();
    static void store(const QVariantHash &values);

    std::unique_ptr<WindowFixture> m_fixture;
};

void TestWindowPlacement::init()
{
    // Nothing of the user's own: config and data live in the test's folder.
    m_fixture = std::make_unique<WindowFixture>();
    QVERIFY(m_fixture->isValid());
    QVERIFY(WindowPlacement::settingsPath().startsWith(m_fixture->path(QString())));
}

void TestWindowPlacement::cleanup()
{
    m_fixture.reset();
}

std::unique_ptr<FormMain> TestWindowPlacement::make()
{
    return m_fixture->makeWindow();
}

void TestWindowPlacement::store(const QVariantHash &values)
{
    QSettings settings(WindowPlacement::settingsPath(), QSettings::IniFormat);
    settings.beginGroup(QLatin1String(WindowPlacement::Group));
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        settings.setValue(it.key(), it.value());
}

void TestWindowPlacement::closedWindowComesBackAsItWas()
{
    std::unique_ptr<FormMain> window = make();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->setGeometry(QRect(40, 30, 700, 560));
    QTRY_COMPARE(window->geometry(), QRect(40, 30, 700, 560));
    window->scanPane()->dropSplitterAt(4400);
    QVERIFY(window->close());
    window.reset();
    QVERIFY(QFile::exists(WindowPlacement::settingsPath()));

    window = make();
    QCOMPARE(window->geometry(), QRect(40, 30, 700, 560));
    QCOMPARE(window->scanPane()->splitterTop(), 4400);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QCOMPARE(window->geometry(), QRect(40, 30, 700, 560));
    QCOMPARE(window->scanPane()->splitterTop(), 4400);
}

void TestWindowPlacement::storedValuesAreChecked_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("position");
    QTest::addColumn<int>("splitterTop");
    QTest::addColumn<bool>("placed"); // the stored position is taken
    QTest::addColumn<int>("expectedTop");
    // 600 pixels high: 9000 twips, so the splitter's top stays within 3250..5100; the
    // least size, 487 pixels high, allows 3405 at most.
    QTest::newRow("as stored") << QSize(640, 600) << QPoint(20, 10) << 4000 << true << 4000;
    QTest::newRow("splitter below its bound") << QSize(640, 600) << QPoint(20, 10) << 8000 << true << 5100;
    QTest::newRow("splitter above its bound") << QSize(640, 600) << QPoint(20, 10) << 100 << true << 3250;
    QTest::newRow("right of every screen") << QSize(640, 600) << QPoint(20000, 10) << 4000 << false << 4000;
    QTest::newRow("left of every screen") << QSize(640, 600) << QPoint(-5000, 10) << 4000 << false << 4000;
    QTest::newRow("above every screen") << QSize(640, 600) << QPoint(20, -3000) << 4000 << false << 4000;
    QTest::newRow("size below the minimum") << QSize(100, 50) << QPoint(20, 10) << 4000 << true << 3405;
}

void TestWindowPlacement::storedValuesAreChecked()
{
    QFETCH(QSize, size);
    QFETCH(QPoint, position);
    QFETCH(int, splitterTop);
    QFETCH(bool, placed);
    QFETCH(int, expectedTop);
    store({{QLatin1String(WindowPlacement::SizeKey), size},
           {QLatin1String(WindowPlacement::PositionKey), position},
           {QLatin1String(WindowPlacement::SplitterKey), splitterTop}});
    std::unique_ptr<FormMain> window = make();
    QCOMPARE(window->size(), size.expandedTo(window->minimumSize()));
    QVERIFY(window->minimumSize().width() > 100); // the design's minimum still holds
    QCOMPARE(window->testAttribute(Qt::WA_Moved), placed);
    if (placed)
        QCOMPARE(window->geometry().topLeft(), position);
    QCOMPARE(window->scanPane()->splitterTop(), expectedTop);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QVERIFY(QGuiApplication::screenAt(window->geometry().center()));
}

void TestWindowPlacement::maximisedWindowKeepsItsNormalPlace()
{
    std::unique_ptr<FormMain> window = make();
    window->setGeometry(QRect(30, 20, 650, 540));
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->showMaximized();
    QTRY_VERIFY(window->isMaximized());
    QVERIFY(window->close());
    window.reset();

    QSettings settings(WindowPlacement::settingsPath(), QSettings::IniFormat);
    settings.beginGroup(QLatin1String(WindowPlacement::Group));
    QCOMPARE(settings.value(QLatin1String(WindowPlacement::SizeKey)).toSize(), QSize(650, 540));
    QVERIFY(settings.value(QLatin1String(WindowPlacement::MaximizedKey)).toBool());

    window = make();
    QVERIFY(window->windowState() & Qt::WindowMaximized);
    window->show();
    QTRY_VERIFY(window->isMaximized());
    window->showNormal();
    QTRY_COMPARE(window->size(), QSize(650, 540));
}

void TestWindowPlacement::nothingStoredBeforeTheFirstClose()
{
    std::unique_ptr<FormMain> first = make();
    const QSize initial = first->size();
    first->show();
    first->resize(initial + QSize(40, 40));
    first.reset(); // the program's end without a close: nothing stored
    QVERIFY(!QFile::exists(WindowPlacement::settingsPath()));
    std::unique_ptr<FormMain> second = make();
    QCOMPARE(second->size(), initial);
    QVERIFY(!second->testAttribute(Qt::WA_Moved));
}

void TestWindowPlacement::firstStartShowsEveryColumn()
{
    std::unique_ptr<FormMain> window = make();
    window->startUp(false);
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    // Nothing stored: within the screen, the last column and every status text in view.
    QVERIFY(window->screen()->availableGeometry().contains(window->geometry()));
    const auto *list = window->findChild<QTableView *>(QStringLiteral("ListView1"));
    const QHeaderView *header = list->horizontalHeader();
    const int last = header->logicalIndexAt(header->length() - 1);
    QVERIFY2(header->sectionViewportPosition(last) + header->sectionSize(last) <= list->viewport()->width(),
             qPrintable(QStringLiteral("%1 wide").arg(window->width())));
    for (const QLabel *panel : window->statusPanels()->findChildren<QLabel *>())
        if (panel->isVisible() && !panel->text().isEmpty())
            QVERIFY2(panel->width() >= panel->sizeHint().width(), qPrintable(panel->text()));
}

QTEST_MAIN(TestWindowPlacement)
#include "TestWindowPlacement.moc"
