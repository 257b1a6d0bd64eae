#include "app/commands/ReportCommands.h"

#include <QAction>

#include "app/dialogs/FormEmail.h"
#include "app/parts/MainMenus.h"
#include "app/parts/StatusBarPanels.h"

ReportCommands::ReportCommands(MainMenus &menus, const ListModel &analysisList, const QString &dataFolder,
                               Prompt &prompt, FileDialog &fileDialog, StatusBarPanels *status,
                               QWidget *window, QObject *parent)
    : QObject(parent),
      m_menus(menus),
      m_prompt(prompt),
      m_fileDialog(fileDialog),
      m_status(status),
      m_window(window),
      m_report(analysisList, dataFolder)
{
    menus.setHandler(QStringLiteral("menuSet3"), [this] { openOptions(); });
    connect(&m_report, &DailyReport::reportFinished, this,
            [this](bool, const QString &outcome) { m_status->setStatusText(outcome); });
}

FormEmail *ReportCommands::dialog() const
{
    return m_dialog;
}

void ReportCommands::load()
{
    apply(ReportSettings::load());
}

void ReportCommands::apply(const ReportSettings &settings)
{
    m_report.setSettings(settings);
    m_menus.action(QStringLiteral("menuSet3"))->setChecked(settings.isSend);
}

void ReportCommands::openOptions()
{
    // A click toggles the mark; only saved settings change it.
    m_menus.action(QStringLiteral("menuSet3"))->setChecked(m_report.settings().isSend);
    if (m_dialog) {
        m_dialog->raise();
        m_dialog->activateWindow();
        return;
    }
    m_dialog = new FormEmail(m_prompt, m_fileDialog, m_window);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_dialog, &FormEmail::saved, this, &ReportCommands::apply);
    m_dialog->open();
}
