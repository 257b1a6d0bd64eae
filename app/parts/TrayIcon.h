#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include "history/ChangeEvent.h"

class QIcon;
class QMenu;
class QSystemTrayIcon;

// The program's icon in the desktop's system tray: tooltip "Netkestrel is
// running ...", the welcome balloon and that of new findings, the tray menu SYSmenu on a right click
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
    // The balloon of an automatic step that added findings.
    static QString findingsText(int count);
    // The balloon of change events: the event's own line, or the count
    // and the first event's line.
    static QString changesText(const QList<ChangeEvent> &events);

    bool isAvailable() const { return m_available; }
    QSystemTrayIcon *icon() const { return m_icon; }

    // Adds the icon with its balloon.
    void show();
    // Shows the welcome balloon again (the icon refreshed on a minimise).
    void showWelcome();
    // Says that an automatic step added count findings to the analysis list.
    void showFindings(int count);
    void showChanges(const QList<ChangeEvent> &events);
    void remove();
    // The text of the last balloon shown (empty when none was).
    QString lastMessage() const { return m_lastMessage; }

Q_SIGNALS:
    void leftClicked();

private:
    void showBalloon(const QString &title, const QString &text);

    QSystemTrayIcon *m_icon;
    bool m_available;
    QString m_lastMessage;
};
