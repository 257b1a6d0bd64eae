#pragma once

#include <QObject>
#include <QPointer>
#include <QUrl>

class DesktopServices;
class HelpWindow;
class MainMenus;
class Prompt;

// The Help menu and the tray's "About": the shipped help page, its product
// section and the version it came with, opened by the desktop's handler.
// Where the desktop has none, the page opens in the program's own HelpWindow
// over the window; a missing page is said in a notice.
class HelpCommands : public QObject
{
    Q_OBJECT

public:
    HelpCommands(MainMenus &menus, DesktopServices &desktop, Prompt &prompt, QWidget *window);

    // The help page beside the executable (build tree), else the installed one.
    static QString helpPagePath();
    static QUrl productPage(const QString &helpPage);
    // The page's paragraph that names the version it was installed with.
    static QUrl versionPage(const QString &helpPage);

private:
    void open(const QUrl &url);

    DesktopServices &m_desktop;
    Prompt &m_prompt;
    QWidget *m_window;
    QPointer<HelpWindow> m_helpWindow;
};
