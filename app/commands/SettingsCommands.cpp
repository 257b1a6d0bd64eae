#include "app/commands/SettingsCommands.h"

#include <QAction>
#include <QCheckBox>

#include "app/parts/MainMenus.h"
#include "platform/AutostartEntry.h"
#include "platform/Prompt.h"

SettingsCommands::SettingsCommands(MainMenus &menus, AutostartEntry &autostart, QString ownCommand,
                                   QCheckBox *autorunBox, Prompt &prompt, QObject *parent)
    : QObject(parent),
      m_menus(menus),
      m_autostart(autostart),
      m_ownCommand(std::move(ownCommand)),
      m_box(autorunBox),
      m_prompt(prompt)
{
    menus.setHandler(QStringLiteral("menuSet1"),
                     [this] { setAutorun(m_menus.action(QStringLiteral("menuSet1"))->isChecked()); });
    connect(m_box, &QCheckBox::clicked, this, &SettingsCommands::setAutorun);
}

void SettingsCommands::readAutorun()
{
    showAutorunMark(m_autostart.readCommand() == m_ownCommand);
}

void SettingsCommands::setAutorun(bool on)
{
    const Result<> written = on ? m_autostart.write(m_ownCommand) : m_autostart.remove();
    if (!written) {
        // Say so rather than show a mark that the next start would not show.
        m_prompt.notice(
            QStringLiteral("The logon entry %1 could not be %2: %3")
                .arg(m_autostart.filePath(), QLatin1String(on ? "written" : "removed"), written.error()));
    }
    readAutorun();
}

void SettingsCommands::showAutorunMark(bool on)
{
    const QSignalBlocker blockBox(m_box);
    m_box->setChecked(on);
    m_menus.action(QStringLiteral("menuSet1"))->setChecked(on);
}
