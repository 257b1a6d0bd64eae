#pragma once

#include <QObject>

class MainMenus;
class QMainWindow;
class TrayIcon;

// The tray menu's window commands ("Open the main board", "Exit"), the
// icon's left click, and hiding a minimised window into the tray. Without a
// tray the window stays minimised on the taskbar, so it is always reachable.
// Watches the window's state changes through an event filter.
class TrayCommands : public QObject
{
    Q_OBJECT

public:
    TrayCommands(MainMenus &menus, QMainWindow *window, TrayIcon *tray, QObject *parent = nullptr);

    // Hides a shown window, brings back a hidden one.
    void trayClicked();
    // "Open the main board".
    void openMainBoard();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void restoreFromTray();
    void hideToTray();

    QMainWindow *m_window;
    TrayIcon *m_tray;
    Qt::WindowStates m_savedWindowState = Qt::WindowNoState;
};
