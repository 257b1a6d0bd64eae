#include "app/commands/HelpCommands.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "app/dialogs/HelpWindow.h"
#include "app/parts/MainMenus.h"
#include "platform/DesktopServices.h"
#include "platform/Prompt.h"

HelpCommands::HelpCommands(MainMenus &menus, DesktopServices &desktop, Prompt &prompt, QWidget *window)
    : QObject(window), m_desktop(desktop), m_prompt(prompt), m_window(window)
{
    menus.setHandler(QStringLiteral("menuHelp0"), [this] { open(QUrl::fromLocalFile(helpPagePath())); });
    for (const char *about : {"menuHelp5", "SYSmenu2"})
        menus.setHandler(QLatin1String(about), [this] { open(productPage(helpPagePath())); });
    // Nothing is fetched from outside: the latest version this computer has
    // is the one installed, which the page names.
    menus.setHandler(QStringLiteral("menuHelp2"), [this] { open(versionPage(helpPagePath())); });
}

QString HelpCommands::helpPagePath()
{
    const QString besideProgram = QCoreApplication::applicationDirPath() + QStringLiteral("/help/index.html");
    if (QFileInfo::exists(besideProgram))
        return besideProgram;
    return QStringLiteral(NETKESTREL_SHARE_DIR "/help/index.html");
}

QUrl HelpCommands::productPage(const QString &helpPage)
{
    QUrl page = QUrl::fromLocalFile(helpPage);
    page.setFragment(QStringLiteral("about"));
    return page;
}

QUrl HelpCommands::versionPage(const QString &helpPage)
{
    QUrl page = productPage(helpPage);
    page.setFragment(QStringLiteral("version"));
    return page;
}

void HelpCommands::open(const QUrl &url)
{
    if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile())) {
        m_prompt.notice(QStringLiteral("The help page %1 is missing.").arg(url.toLocalFile()));
        return;
    }
    if (m_desktop.openUrl(url))
        return;
    if (!url.isLocalFile()) {
        m_prompt.notice(QStringLiteral("No program to open %1 was found.").arg(url.toString()));
        return;
    }
    if (!m_helpWindow) {
        m_helpWindow = new HelpWindow(m_window);
        m_helpWindow->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_helpWindow->showPage(url);
}
