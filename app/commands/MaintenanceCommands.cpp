#include "app/commands/MaintenanceCommands.h"

#include <QDateTime>
#include <QDir>
#include <QWidget>

#include "app/parts/MainMenus.h"
#include "platform/FileDialog.h"
#include "platform/Prompt.h"
#include "records/DatabaseMaintenance.h"
#include "records/RecordCommands.h"
#include "records/RecordStore.h"

MaintenanceCommands::MaintenanceCommands(MainMenus &menus, RecordCommands &commands, Prompt &prompt,
                                         FileDialog &fileDialog, const QString &dataFolder, QWidget *window)
    : QObject(window),
      m_commands(commands),
      m_prompt(prompt),
      m_dataFolder(dataFolder),
      m_fileDialog(fileDialog)
{
    menus.setHandler(QStringLiteral("BAmenu9"), [this] { backup(); });
    menus.setHandler(QStringLiteral("BAmenu10"), [this] { recover(); });
    menus.setHandler(QStringLiteral("BAmenu11"), [this] { compact(); });
}

DatabaseMaintenance MaintenanceCommands::maintenance() const
{
    return DatabaseMaintenance(m_dataFolder, m_commands.store().server());
}

void MaintenanceCommands::backup()
{
    const Result<QString> path = maintenance().backup(QDateTime::currentDateTime());
    if (!path) {
        m_prompt.error(path.error());
        return;
    }
    m_prompt.notice(QLatin1String(DatabaseMaintenance::BackupDoneText) + QDir::toNativeSeparators(*path),
                    PromptIcon::Information);
}

void MaintenanceCommands::recover()
{
    const QString file =
        m_fileDialog.choose({FileDialogMode::Open, QLatin1String(DatabaseMaintenance::RecoveryDialogTitle),
                             QLatin1String(DatabaseMaintenance::RecoveryFilter), m_dataFolder});
    if (file.isEmpty())
        return;
    const PromptAnswer answer = m_prompt.ask(
        {QLatin1String(Prompt::NoticeTitle), QLatin1String(DatabaseMaintenance::RecoveryQuestionText),
         PromptButtons::YesNo, PromptAnswer::Yes, PromptIcon::Information});
    if (answer != PromptAnswer::Yes)
        return;
    if (const Result<> done = maintenance().recover(file); !done) {
        m_prompt.error(done.error());
        return;
    }
    m_prompt.notice(QLatin1String(DatabaseMaintenance::RecoveryDoneText), PromptIcon::Information);
    m_commands.addLIST();
}

void MaintenanceCommands::compact()
{
    if (const Result<> done = maintenance().compact(); !done) {
        m_prompt.error(done.error());
        return;
    }
    m_prompt.notice(QLatin1String(DatabaseMaintenance::CompactDoneText));
}
