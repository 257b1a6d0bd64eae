// The menu tree of the main window against the design: names, captions,
// order, separators, shortcuts and the enabled states at start.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTest>

#include "app/parts/MainMenus.h"

namespace {

// "-" stands for a separator; "name|caption|shortcut|state" with state
// E (enabled), D (disabled until a scan runs) or N (feature not built yet).
const char *const FileMenu[] = {
    "SMmenu3|Save...||E",
    "SMmenu1|Open...||E",
    "SMline|-",
    "SMmenu2|Find...||E",
    "SMmenu6|Clear list||E",
    "SMmenu7|Export to Excel||E",
    "SMline1|-",
    "SMmenu11|Select All||E",
    "SMmenu12|Unselect All||E",
    "SMmenu13|Inverse select||E",
    "SMmenu14|Remove||E",
    "SMmenu5|Add to Database...||E",
};
const char *const ScanMenu[] = {"SMmenu8|Scan|F5|E", "SMmenu9|Pause|F6|D", "SMmenu10|Stop|F7|D"};
const char *const AnalyzeMenu[] = {
    "JSmenu3|Analyze||E",
    "JSmenu4|Analyze All||E",
    "|-",
    "JSmenu5|Clear analysis list||E",
    "|-",
    "JSmenu1|Save as...||E",
    "|-",
    "JSmenu2|Print||E",
};
const char *const SaveAsMenu[] = {"JSmenu12|Text File(*.TXT)||E", "JSmenu13|Html File(*.html)||E"};
const char *const DatabaseMenu[] = {
    "BAmenu1|Add...||E",
    "BAmenu2|Modify...||E",
    "BAmenu14|-",
    "BAmenu15|Select All||E",
    "BAmenu16|Unselect All||E",
    "BAmenu17|Inverse select||E",
    "BAmenu18|Delete Selected||E",
    "BAmenu4|-",
    "BAmenu5|Find Record||E",
    "BAmenu6|Export to Excel||E",
    "BAmenu7|Import from Excel||E",
    "BAmenu8|-",
    "BAmenu9|Database Bakcup||E",
    "BAmenu10|Database Recovery||E",
    "BAmenu11|Compacted Database||E",
};
const char *const SettingMenu[] = {"menuSet1|Auto Run When Logon Windows||E",
                                   "menuSet2|Remote Shutdown Option||E", "menuSet3|Send Email Report||E"};
const char *const ToolsMenu[] = {
    "SMmenu15|Send a Message...||E", "SMmenu16|Generate IP-MAC binding BAT file||E",
    "menuT1|Call Remote Desktop||E", "menuT2|Remote Shutdown||E",
    "menuT5|Open Computer||E",       "menuTL|-",
    "BAmenu13|Ping IP||E",           "BAmenu19|Wake-On-Lan||E",
};
const char *const BindingMenu[] = {"SMmenu161|from Scan list||E", "SMmenu162|from Database list||E"};
const char *const OpenComputerMenu[] = {"menuT51|As Web(HTTP)||E", "menuT52|As Secure Web(HTTPS)||E",
                                        "menuT53|As File Server(FTP)||E"};
const char *const HelpMenu[] = {"menuHelp0|Contents|F1|E", "menuHelp1|-",
                                "menuHelp2|Browse the Latest Version||E", "menuHelp5|About Netkestrel||E"};
const char *const TrayMenu[] = {"SYSmenu1|Open the main board||E", "SYSmenu2|About||E", "SYSmenu3|-",
                                "SYSmenu4|Exit||E"};
const char *const ScanPopup[] = {
    "menuPopS0|Scan||E",
    "menuPopS1|Pause||D",
    "menuPopS2|Stop||D",
    "menuPopS3|-",
    "menuPopS4|Save...||E",
    "menuPopS5|Open...||E",
    "menuPopS6|-",
    "menuPopS7|Find...||E",
    "menuPopS8|Clear list||E",
    "menuPopS9|Export to Excel||E",
    "menuPopS10|-",
    "menuPopS11|Select All||E",
    "menuPopS12|UnSelect All||E",
    "menuPopS13|Inverse Select||E",
    "menuPopS14|Remove||E",
    "menuPopS15|Add to Database||E",
    "menuPopS16|-",
    "menuPopS17|Send a Message...||E",
    "menuPopS18|Generate IP-MAC binding .BAT File||E",
    "menuPopS19|Remote Shutdown||E",
    "menuPopS20|Open Computer||E",
};
const char *const ScanPopupOpen[] = {"menuPopS211|As Web(HTTP)||E", "menuPopS212|As Secure Web(HTTPS)||E",
                                     "menuPopS213|As File Server(FTP)||E"};
const char *const RecordPopup[] = {
    "menuPopD0|Add...||E",
    "menuPopD1|Modify...||E",
    "menuPopD2|-",
    "menuPopD3|Select All||E",
    "menuPopD4|UnSelect All||E",
    "menuPopD5|Inverse Select||E",
    "menuPopD6|Delete Select||E",
    "menuPopD7|-",
    "menuPopD8|Find Record||E",
    "menuPopD9|Export to Excel||E",
    "menuPopD10|Import from Excel||E",
    "menuPopD11|-",
    "menuPopD12|Database Backup||E",
    "menuPopD13|Database Recovery||E",
    "menuPopD14|Compacted Database ||E",
    "menuPopD15|-",
    "menuPopD16|Ping||E",
    "menuPopD17|Generate IP-MAC binding .BAT File||E",
    "menuPopD18|Wake-On-Lan||E",
};

template <std::size_t N>
QStringList rows(const char *const (&design)[N])
{
    QStringList list;
    for (const char *row : design)
        list << QLatin1String(row);
    return list;
}

QString describe(const QAction *action)
{
    if (action->isSeparator())
        return action->objectName() + QStringLiteral("|-");
    return QStringLiteral("%1|%2|%3|%4")
        .arg(action->objectName(), action->text(), action->shortcut().toString(),
             QLatin1String(action->isEnabled() ? "E" : "N"));
}

} // namespace

class TestMainMenus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void menuBarOrder();
    void menuItems_data();
    void menuItems();
    void popupsFollowTheirItems();
    void trayMenuDefault();
    void handlersOnlyForCommands_data();
    void handlersOnlyForCommands();

private:
    QWidget m_window;
};

void TestMainMenus::menuBarOrder()
{
    MainMenus menus(&m_window);
    QMenuBar bar;
    menus.fillMenuBar(&bar);
    QStringList got;
    for (QAction *a : bar.actions())
        got << a->objectName() + QLatin1Char('|') + a->text();
    QCOMPARE(got, QStringList({"menuFile|&File", "SMmenu|&Scan", "JSmenu|&Analyze", "BAmenu|&Database",
                               "menuSet|S&etting", "menuT|&Tools", "menuHelp|&Help"}));
}

void TestMainMenus::menuItems_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QStringList>("design");
    QTest::newRow("File") << "menuFile" << rows(FileMenu);
    QTest::newRow("Scan") << "SMmenu" << rows(ScanMenu);
    QTest::newRow("Analyze") << "JSmenu" << rows(AnalyzeMenu);
    QTest::newRow("Analyze/Save as") << "JSmenu1" << rows(SaveAsMenu);
    QTest::newRow("Database") << "BAmenu" << rows(DatabaseMenu);
    QTest::newRow("Setting") << "menuSet" << rows(SettingMenu);
    QTest::newRow("Tools") << "menuT" << rows(ToolsMenu);
    QTest::newRow("Tools/binding") << "SMmenu16" << rows(BindingMenu);
    QTest::newRow("Tools/Open Computer") << "menuT5" << rows(OpenComputerMenu);
    QTest::newRow("Help") << "menuHelp" << rows(HelpMenu);
    QTest::newRow("tray") << "SYSmenu" << rows(TrayMenu);
    QTest::newRow("scan list pop-up") << "menuPopS" << rows(ScanPopup);
    QTest::newRow("scan pop-up/Open Computer") << "menuPopS20" << rows(ScanPopupOpen);
    QTest::newRow("record list pop-up") << "menuPopD" << rows(RecordPopup);
}

void TestMainMenus::menuItems()
{
    QFETCH(QString, menu);
    QFETCH(QStringList, design);
    MainMenus menus(&m_window);
    QMenu *m = menus.menu(menu);
    QVERIFY(m);
    QStringList expected;
    for (QString row : design) {
        // "D" (disabled until a scan runs) is disabled at start like "N".
        if (row.endsWith(QLatin1String("|D")))
            row.replace(row.size() - 1, 1, QLatin1Char('N'));
        expected << row;
    }
    QStringList got;
    for (QAction *a : m->actions())
        got << describe(a);
    QCOMPARE(got, expected);
    // Every named entry is found by its design name.
    for (QAction *a : m->actions()) {
        if (!a->objectName().isEmpty() && !a->isSeparator())
            QCOMPARE(menus.action(a->objectName()), a);
    }
}

void TestMainMenus::popupsFollowTheirItems()
{
    MainMenus menus(&m_window);
    QStringList run;
    connect(&menus, &MainMenus::commandTriggered, this, [&run](const QString &name) { run << name; });
    menus.setEnabled(QStringLiteral("SMmenu10"), true);
    QVERIFY(menus.action(QStringLiteral("menuPopS2"))->isEnabled());
    menus.action(QStringLiteral("menuPopS2"))->trigger();
    menus.action(QStringLiteral("menuPopD6"))->trigger();
    menus.action(QStringLiteral("menuPopS1"))->trigger(); // disabled at start: nothing runs
    QCOMPARE(run, QStringList({"SMmenu10", "BAmenu18"}));
    menus.setEnabled(QStringLiteral("SMmenu10"), false);
    QVERIFY(!menus.action(QStringLiteral("menuPopS2"))->isEnabled());
}

void TestMainMenus::trayMenuDefault()
{
    MainMenus menus(&m_window);
    QCOMPARE(menus.menu(QStringLiteral("SYSmenu"))->defaultAction(),
             menus.action(QStringLiteral("SYSmenu1")));
    QVERIFY(menus.action(QStringLiteral("menuSet1"))->isCheckable());
}

void TestMainMenus::handlersOnlyForCommands_data()
{
    // Every entry of the tables, told apart the way the tables tell them.
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("command");
    for (const auto design : {MainMenus::menuBarDesign(), MainMenus::itemDesign(), MainMenus::trayDesign(),
                              MainMenus::scanPopupDesign(), MainMenus::recordPopupDesign()}) {
        for (const MenuEntry &entry : design) {
            if (!*entry.name)
                continue;
            const bool command = entry.kind == MenuEntry::Kind::Item && !entry.forwardsTo;
            QTest::newRow(entry.name) << QString::fromLatin1(entry.name) << command;
        }
    }
    QTest::newRow("typo") << QStringLiteral("SMmenu88") << false;
    QTest::newRow("empty") << QString() << false;
}

void TestMainMenus::handlersOnlyForCommands()
{
    QFETCH(QString, name);
    QFETCH(bool, command);
    MainMenus menus(&m_window);
    QCOMPARE(menus.isCommand(name), command);
    if (!command) {
#ifdef QT_NO_DEBUG
        // Release builds warn and keep no handler; debug builds stop at the assertion.
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("no menu item .* runs a command")));
        bool ran = false;
        menus.setHandler(name, [&ran] { ran = true; });
        QVERIFY(!menus.hasHandler(name));
        if (QAction *a = menus.action(name))
            a->trigger();
        QVERIFY(!ran);
#endif
        return;
    }
    int runs = 0;
    QVERIFY(!menus.hasHandler(name));
    menus.setHandler(name, [&runs] { ++runs; });
    QVERIFY(menus.hasHandler(name));
    QAction *a = menus.action(name);
    a->setEnabled(true);
    a->trigger();
    QCOMPARE(runs, 1);
    menus.setHandler(name, {}); // an empty handler takes the command's away
    QVERIFY(!menus.hasHandler(name));
    a->trigger();
    QCOMPARE(runs, 1);
}

QTEST_MAIN(TestMainMenus)
#include "TestMainMenus.moc"
