#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>
#include <span>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

// One line of the window's menu design: an item, a separator or a sub-menu,
// in the order it appears under its parent.
struct MenuEntry
{
    enum class Kind { Item, Separator, SubMenu };
    // NotBuilt: the item exists but its command is not part of the program
    // yet, so it stays disabled; each feature enables its own items here.
    enum class State { Enabled, DisabledAtStart, NotBuilt };

    const char *parent;  // object name of the menu it belongs to
    const char *name;    // object name of the item (may be empty for a separator)
    const char *caption; // the program's own words
    Kind kind = Kind::Item;
    State state = State::Enabled;
    const char *shortcut = nullptr;
    bool checkable = false;
    // Pop-up entries: the main-menu item whose command they run and whose
    // enabled state they follow.
    const char *forwardsTo = nullptr;
};

// The menus of the main window, built from the design tables: the menu bar,
// the tray menu SYSmenu and the list pop-ups menuPopS and menuPopD. Every
// command has one handler, registered under the name of its main-menu item;
// pop-up entries and buttons trigger that item, so all routes reach the same
// handler. GUI thread only.
class MainMenus : public QObject
{
    Q_OBJECT

public:
    // The top-level menus of the bar, in order: object name and caption.
    static std::span<const MenuEntry> menuBarDesign();
    static std::span<const MenuEntry> itemDesign();
    static std::span<const MenuEntry> trayDesign();
    static std::span<const MenuEntry> scanPopupDesign();
    static std::span<const MenuEntry> recordPopupDesign();

    explicit MainMenus(QWidget *window);

    void fillMenuBar(QMenuBar *bar);

    QAction *action(const QString &name) const { return m_actions.value(name); }
    QMenu *menu(const QString &name) const { return m_menus.value(name); }

    // The command of a main-menu item (or a tray item). Replaces any earlier
    // one. A name that is no such item (a typo, a separator, a sub-menu, a
    // pop-up entry that only forwards) is a programming error: it asserts in
    // debug builds; release builds warn and ignore it.
    void setHandler(const QString &name, std::function<void()> handler);
    // Whether the item runs a command of its own (an item of the menu bar or
    // the tray menu, not a separator, sub-menu or forwarding pop-up entry).
    bool isCommand(const QString &name) const { return m_commands.contains(name); }
    bool hasHandler(const QString &name) const { return m_handlers.contains(name); }
    // Makes a button run the command of a main-menu item and follow its
    // enabled state.
    void bindButton(QWidget *button, const QString &name);
    void setEnabled(const QString &name, bool on);

Q_SIGNALS:
    // Before the handler of a command runs, whichever route started it.
    void commandTriggered(const QString &name);

private:
    QMenu *buildMenu(const QString &name, const QString &caption, QWidget *parent);
    void addEntries(std::span<const MenuEntry> entries);
    QAction *addItem(QMenu *menu, const MenuEntry &entry);
    void run(const QString &name);

    QWidget *m_window;
    QList<QMenu *> m_barMenus;
    QHash<QString, QMenu *> m_menus;
    QHash<QString, QAction *> m_actions;
    QSet<QString> m_commands;
    QHash<QString, std::function<void()>> m_handlers;
};
