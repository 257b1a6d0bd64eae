#pragma once

#include <QObject>

class QIcon;
class QMenu;
class QSystemTrayIcon;

// The program's icon in the desktop's system tray: tooltip "Netkestrel is
// running ...", the welcome balloon, the tray menu SYSmenu on a right click
// and a signal for a left click. Where the desktop has no system tray the
// icon is never shown and isAvailable() answers false; the window must then
// stay reachable without it.
class TrayIcon : public QObject
{
    Q_OBJECT

public:
    static constexpr int BalloonMs = 10000;

    // available: whether the desktop has a tray (QSystemTrayIcon's answer
    // unless a test decides).
    TrayIcon(const QIcon &icon, QMenu *menu, bool available, QObject *parent = nullptr);
    ~TrayIcon() override;

    static QString tooltipText();
    static QString welcomeTitle();
    static QString welcomeText();

    bool isAvailable() const { return m_available; }
    QSystemTrayIcon *icon() const { return m_icon; }

    // Adds the icon with its balloon.
    void show();
    // Shows the welcome balloon again (the icon refreshed on a minimise).
    void showWelcome();
    void remove();

Q_SIGNALS:
    void leftClicked();

private:
    QSystemTrayIcon *m_icon;
    bool m_available;
};
