#include "app/commands/TrayCommands.h"

#include <QEvent>
#include <QMainWindow>
#include <QTimer>

#include "app/parts/MainMenus.h"
#include "app/parts/TrayIcon.h"

TrayCommands::TrayCommands(MainMenus &menus, QMainWindow *window, TrayIcon *tray, QObject *parent)
    : QObject(parent), m_window(window), m_tray(tray)
{
    menus.setHandler(QStringLiteral("SYSmenu1"), [this] { openMainBoard(); });
    menus.setHandler(QStringLiteral("SYSmenu4"), [this] { m_window->close(); });
    connect(m_tray, &TrayIcon::leftClicked, this, &TrayCommands::trayClicked);
    m_window->installEventFilter(this);
}

void TrayCommands::trayClicked()
{
    if (m_window->isVisible() && !m_window->isMinimized())
        m_window->showMinimized();
    else
        restoreFromTray();
}

void TrayCommands::openMainBoard()
{
    if (!m_window->isVisible() || m_window->isMinimized())
        restoreFromTray();
}

void TrayCommands::restoreFromTray()
{
    m_window->setWindowState(m_savedWindowState & ~Qt::WindowMinimized);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void TrayCommands::hideToTray()
{
    if (!m_window->isMinimized() || !m_tray->isAvailable())
        return; // without a tray the window stays minimised on the taskbar
    m_tray->showWelcome();
    m_window->hide();
}

bool TrayCommands::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::WindowStateChange) {
        if (m_window->isMinimized()) {
            // Hiding inside the state change confuses some window managers.
            QTimer::singleShot(0, this, &TrayCommands::hideToTray);
        } else {
            m_savedWindowState = m_window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen);
        }
    }
    return QObject::eventFilter(watched, event);
}
