#pragma once

#include <QObject>
#include <QUrl>

class DesktopServices;
class MainMenus;
class Prompt;

// The Help menu and the tray's "About": the shipped help page and its
// product section, opened by the desktop's handler. A missing page or a
// desktop without a handler is said in a notice.
class HelpCommands : public QObject
{
    Q_OBJECT

public:
    HelpCommands(MainMenus &menus, DesktopServices &desktop, Prompt &prompt, QObject *parent = nullptr);

    // The help page beside the executable (build tree), else the installed one.
    static QString helpPagePath();
    static QUrl productPage(const QString &helpPage);

private:
    void open(const QUrl &url);

    DesktopServices &m_desktop;
    Prompt &m_prompt;
};
