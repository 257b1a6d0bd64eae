#include "app/parts/MainMenus.h"

#include <QAbstractButton>
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

namespace {

using Kind = MenuEntry::Kind;
using State = MenuEntry::State;

constexpr MenuEntry item(const char *parent, const char *name, const char *caption,
                         State state = State::Enabled, const char *shortcut = nullptr)
{
    return {parent, name, caption, Kind::Item, state, shortcut, false, nullptr};
}
constexpr MenuEntry check(const char *parent, const char *name, const char *caption, State state)
{
    return {parent, name, caption, Kind::Item, state, nullptr, true, nullptr};
}
constexpr MenuEntry sep(const char *parent, const char *name = "")
{
    return {parent, name, "", Kind::Separator, State::Enabled, nullptr, false, nullptr};
}
constexpr MenuEntry sub(const char *parent, const char *name, const char *caption,
                        State state = State::Enabled, const char *forwardsTo = nullptr)
{
    return {parent, name, caption, Kind::SubMenu, state, nullptr, false, forwardsTo};
}
constexpr MenuEntry fwd(const char *parent, const char *name, const char *caption, const char *target)
{
    return {parent, name, caption, Kind::Item, State::Enabled, nullptr, false, target};
}

constexpr State NotBuilt = State::NotBuilt;
constexpr State Idle = State::DisabledAtStart;

const MenuEntry BarDesign[] = {
    sub("", "menuFile", "&File"),   sub("", "SMmenu", "&Scan"),     sub("", "JSmenu", "&Analyze"),
    sub("", "BAmenu", "&Database"), sub("", "menuSet", "S&etting"), sub("", "menuT", "&Tools"),
    sub("", "menuHelp", "&Help"),
};

const MenuEntry ItemDesign[] = {
    item("menuFile", "SMmenu3", "Save..."),
    item("menuFile", "SMmenu1", "Open..."),
    sep("menuFile", "SMline"),
    item("menuFile", "SMmenu2", "Find..."),
    item("menuFile", "SMmenu6", "Clear list"),
    item("menuFile", "SMmenu7", "Export to Excel"),
    sep("menuFile", "SMline1"),
    item("menuFile", "SMmenu11", "Select All"),
    item("menuFile", "SMmenu12", "Unselect All"),
    item("menuFile", "SMmenu13", "Inverse select"),
    item("menuFile", "SMmenu14", "Remove"),
    item("menuFile", "SMmenu5", "Add to Database..."),

    item("SMmenu", "SMmenu8", "Scan", State::Enabled, "F5"),
    item("SMmenu", "SMmenu9", "Pause", Idle, "F6"),
    item("SMmenu", "SMmenu10", "Stop", Idle, "F7"),

    item("JSmenu", "JSmenu3", "Analyze"),
    item("JSmenu", "JSmenu4", "Analyze All"),
    sep("JSmenu"),
    item("JSmenu", "JSmenu5", "Clear analysis list"),
    sep("JSmenu"),
    sub("JSmenu", "JSmenu1", "Save as..."),
    item("JSmenu1", "JSmenu12", "Text File(*.TXT)"),
    item("JSmenu1", "JSmenu13", "Html File(*.html)"),
    sep("JSmenu"),
    item("JSmenu", "JSmenu2", "Print"),

    item("BAmenu", "BAmenu1", "Add..."),
    item("BAmenu", "BAmenu2", "Modify..."),
    sep("BAmenu", "BAmenu14"),
    item("BAmenu", "BAmenu15", "Select All"),
    item("BAmenu", "BAmenu16", "Unselect All"),
    item("BAmenu", "BAmenu17", "Inverse select"),
    item("BAmenu", "BAmenu18", "Delete Selected"),
    sep("BAmenu", "BAmenu4"),
    item("BAmenu", "BAmenu5", "Find Record"),
    item("BAmenu", "BAmenu6", "Export to Excel"),
    item("BAmenu", "BAmenu7", "Import from Excel"),
    sep("BAmenu", "BAmenu8"),
    item("BAmenu", "BAmenu9", "Database Bakcup"),
    item("BAmenu", "BAmenu10", "Database Recovery"),
    item("BAmenu", "BAmenu11", "Compacted Database"),

    check("menuSet", "menuSet1", "Auto Run When Logon Windows", State::Enabled),
    item("menuSet", "menuSet2", "Remote Shutdown Option"),
    check("menuSet", "menuSet3", "Send Email Report", State::Enabled),

    item("menuT", "SMmenu15", "Send a Message..."),
    sub("menuT", "SMmenu16", "Generate IP-MAC binding BAT file"),
    item("SMmenu16", "SMmenu161", "from Scan list"),
    item("SMmenu16", "SMmenu162", "from Database list"),
    item("menuT", "menuT1", "Call Remote Desktop"),
    item("menuT", "menuT2", "Remote Shutdown"),
    sub("menuT", "menuT5", "Open Computer"),
    item("menuT5", "menuT51", "As Web(HTTP)"),
    item("menuT5", "menuT52", "As Secure Web(HTTPS)"),
    item("menuT5", "menuT53", "As File Server(FTP)"),
    sep("menuT", "menuTL"),
    item("menuT", "BAmenu13", "Ping IP"),
    item("menuT", "BAmenu19", "Wake-On-Lan"),

    item("menuHelp", "menuHelp0", "Contents", State::Enabled, "F1"),
    sep("menuHelp", "menuHelp1"),
    item("menuHelp", "menuHelp2", "Browse the Latest Version"),
    item("menuHelp", "menuHelp5", "About Netkestrel"),
};

const MenuEntry TrayDesign[] = {
    item("SYSmenu", "SYSmenu1", "Open the main board"),
    item("SYSmenu", "SYSmenu2", "About"),
    sep("SYSmenu", "SYSmenu3"),
    item("SYSmenu", "SYSmenu4", "Exit"),
};

const MenuEntry ScanPopupDesign[] = {
    fwd("menuPopS", "menuPopS0", "Scan", "SMmenu8"),
    fwd("menuPopS", "menuPopS1", "Pause", "SMmenu9"),
    fwd("menuPopS", "menuPopS2", "Stop", "SMmenu10"),
    sep("menuPopS", "menuPopS3"),
    fwd("menuPopS", "menuPopS4", "Save...", "SMmenu3"),
    fwd("menuPopS", "menuPopS5", "Open...", "SMmenu1"),
    sep("menuPopS", "menuPopS6"),
    fwd("menuPopS", "menuPopS7", "Find...", "SMmenu2"),
    fwd("menuPopS", "menuPopS8", "Clear list", "SMmenu6"),
    fwd("menuPopS", "menuPopS9", "Export to Excel", "SMmenu7"),
    sep("menuPopS", "menuPopS10"),
    fwd("menuPopS", "menuPopS11", "Select All", "SMmenu11"),
    fwd("menuPopS", "menuPopS12", "UnSelect All", "SMmenu12"),
    fwd("menuPopS", "menuPopS13", "Inverse Select", "SMmenu13"),
    fwd("menuPopS", "menuPopS14", "Remove", "SMmenu14"),
    fwd("menuPopS", "menuPopS15", "Add to Database", "SMmenu5"),
    sep("menuPopS", "menuPopS16"),
    fwd("menuPopS", "menuPopS17", "Send a Message...", "SMmenu15"),
    fwd("menuPopS", "menuPopS18", "Generate IP-MAC binding .BAT File", "SMmenu161"),
    fwd("menuPopS", "menuPopS19", "Remote Shutdown", "menuT2"),
    sub("menuPopS", "menuPopS20", "Open Computer", State::Enabled, "menuT5"),
    fwd("menuPopS20", "menuPopS211", "As Web(HTTP)", "menuT51"),
    fwd("menuPopS20", "menuPopS212", "As Secure Web(HTTPS)", "menuT52"),
    fwd("menuPopS20", "menuPopS213", "As File Server(FTP)", "menuT53"),
};

const MenuEntry RecordPopupDesign[] = {
    fwd("menuPopD", "menuPopD0", "Add...", "BAmenu1"),
    fwd("menuPopD", "menuPopD1", "Modify...", "BAmenu2"),
    sep("menuPopD", "menuPopD2"),
    fwd("menuPopD", "menuPopD3", "Select All", "BAmenu15"),
    fwd("menuPopD", "menuPopD4", "UnSelect All", "BAmenu16"),
    fwd("menuPopD", "menuPopD5", "Inverse Select", "BAmenu17"),
    fwd("menuPopD", "menuPopD6", "Delete Select", "BAmenu18"),
    sep("menuPopD", "menuPopD7"),
    fwd("menuPopD", "menuPopD8", "Find Record", "BAmenu5"),
    fwd("menuPopD", "menuPopD9", "Export to Excel", "BAmenu6"),
    fwd("menuPopD", "menuPopD10", "Import from Excel", "BAmenu7"),
    sep("menuPopD", "menuPopD11"),
    fwd("menuPopD", "menuPopD12", "Database Backup", "BAmenu9"),
    fwd("menuPopD", "menuPopD13", "Database Recovery", "BAmenu10"),
    fwd("menuPopD", "menuPopD14", "Compacted Database ", "BAmenu11"),
    sep("menuPopD", "menuPopD15"),
    fwd("menuPopD", "menuPopD16", "Ping", "BAmenu13"),
    fwd("menuPopD", "menuPopD17", "Generate IP-MAC binding .BAT File", "SMmenu162"),
    fwd("menuPopD", "menuPopD18", "Wake-On-Lan", "BAmenu19"),
};

// Keeps a follower's enabled state equal to its leader's.
void follow(QAction *follower, QAction *leader)
{
    follower->setEnabled(leader->isEnabled());
    QObject::connect(leader, &QAction::changed, follower,
                     [follower, leader] { follower->setEnabled(leader->isEnabled()); });
}

} // namespace

std::span<const MenuEntry> MainMenus::menuBarDesign()
{
    return BarDesign;
}
std::span<const MenuEntry> MainMenus::itemDesign()
{
    return ItemDesign;
}
std::span<const MenuEntry> MainMenus::trayDesign()
{
    return TrayDesign;
}
std::span<const MenuEntry> MainMenus::scanPopupDesign()
{
    return ScanPopupDesign;
}
std::span<const MenuEntry> MainMenus::recordPopupDesign()
{
    return RecordPopupDesign;
}

MainMenus::MainMenus(QWidget *window) : QObject(window), m_window(window)
{
    for (const MenuEntry &entry : BarDesign)
        m_barMenus.append(buildMenu(QLatin1String(entry.name), QLatin1String(entry.caption), window));
    addEntries(ItemDesign);
    for (const char *popup : {"SYSmenu", "menuPopS", "menuPopD"})
        buildMenu(QLatin1String(popup), QString(), window);
    addEntries(TrayDesign);
    addEntries(ScanPopupDesign);
    addEntries(RecordPopupDesign);
    m_menus.value(QStringLiteral("SYSmenu"))->setDefaultAction(action(QStringLiteral("SYSmenu1")));
}

QMenu *MainMenus::buildMenu(const QString &name, const QString &caption, QWidget *parent)
{
    auto *menu = new QMenu(caption, parent);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    m_menus.insert(name, menu);
    return menu;
}

void MainMenus::fillMenuBar(QMenuBar *bar)
{
    for (QMenu *menu : std::as_const(m_barMenus))
        bar->addMenu(menu);
}

void MainMenus::addEntries(std::span<const MenuEntry> entries)
{
    for (const MenuEntry &entry : entries) {
        QMenu *parent = m_menus.value(QLatin1String(entry.parent));
        Q_ASSERT(parent);
        const QString name = QLatin1String(entry.name);
        if (entry.kind == Kind::Separator) {
            QAction *separator = parent->addSeparator();
            separator->setObjectName(name);
            continue;
        }
        if (entry.kind == Kind::SubMenu) {
            QMenu *menu = buildMenu(name, QLatin1String(entry.caption), parent);
            parent->addMenu(menu);
            m_actions.insert(name, menu->menuAction());
            if (entry.forwardsTo)
                follow(menu->menuAction(), action(QLatin1String(entry.forwardsTo)));
            else
                menu->menuAction()->setEnabled(entry.state == State::Enabled);
            continue;
        }
        addItem(parent, entry);
    }
}

QAction *MainMenus::addItem(QMenu *menu, const MenuEntry &entry)
{
    const QString name = QLatin1String(entry.name);
    QAction *a = menu->addAction(QLatin1String(entry.caption));
    a->setObjectName(name);
    a->setCheckable(entry.checkable);
    if (entry.shortcut) {
        a->setShortcut(QKeySequence(QLatin1String(entry.shortcut)));
        // The window owns the shortcut, so it works while the menu is closed.
        a->setShortcutContext(Qt::WindowShortcut);
        m_window->addAction(a);
    }
    m_actions.insert(name, a);
    if (entry.forwardsTo) {
        QAction *target = action(QLatin1String(entry.forwardsTo));
        Q_ASSERT(target);
        follow(a, target);
        connect(a, &QAction::triggered, target, [target] { target->trigger(); });
        return a;
    }
    a->setEnabled(entry.state == State::Enabled);
    m_commands.insert(name);
    connect(a, &QAction::triggered, this, [this, name] { run(name); });
    return a;
}

void MainMenus::setHandler(const QString &name, std::function<void()> handler)
{
    Q_ASSERT_X(isCommand(name), "MainMenus::setHandler", qPrintable(name));
    if (!isCommand(name)) {
        qWarning("MainMenus: no menu item %s runs a command; its handler is ignored", qPrintable(name));
        return;
    }
    if (!handler) {
        m_handlers.remove(name);
        return;
    }
    m_handlers.insert(name, std::move(handler));
}

void MainMenus::bindButton(QWidget *button, const QString &name)
{
    QAction *target = action(name);
    Q_ASSERT(target);
    button->setEnabled(target->isEnabled());
    connect(target, &QAction::changed, button, [button, target] { button->setEnabled(target->isEnabled()); });
    if (auto *clickable = qobject_cast<QAbstractButton *>(button))
        connect(clickable, &QAbstractButton::clicked, target, [target] { target->trigger(); });
}

void MainMenus::setEnabled(const QString &name, bool on)
{
    if (QAction *a = action(name))
        a->setEnabled(on);
}

void MainMenus::run(const QString &name)
{
    Q_EMIT commandTriggered(name);
    const auto handler = m_handlers.constFind(name);
    if (handler != m_handlers.constEnd())
        (*handler)();
}
