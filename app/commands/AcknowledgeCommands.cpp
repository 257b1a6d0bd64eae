#include "app/commands/AcknowledgeCommands.h"

#include <QAction>
#include <QMenu>

#include "app/parts/MainMenus.h"
#include "lists/AnalysisListModel.h"
#include "platform/LoginName.h"
#include "platform/Prompt.h"
#include "records/Acknowledgement.h"
#include "records/AcknowledgementStore.h"

AcknowledgeCommands::AcknowledgeCommands(MainMenus &menus, AnalysisListModel &analysisList,
                                         const RecordStore &store, Prompt &prompt, Asker ask, QWidget *window,
                                         Clock clock)
    : QObject(window),
      m_analysisList(analysisList),
      m_store(store),
      m_prompt(prompt),
      m_ask(ask ? std::move(ask) : Asker([window](const QString &ip, const QString &mac) {
          return AcknowledgeDialog::ask(ip, mac, window);
      })),
      m_clock(clock ? std::move(clock) : Clock(&QDateTime::currentDateTimeUtc))
{
    // Not items of the menu tables: these commands have no button or tray
    // route, so they hang on the Analyze menu (which is also the list's pop-up).
    QMenu *menu = menus.menu(QStringLiteral("JSmenu"));
    menu->addSeparator();
    QAction *acknowledge = menu->addAction(QStringLiteral("Acknowledge..."));
    acknowledge->setObjectName(QStringLiteral("AcknowledgeFinding"));
    connect(acknowledge, &QAction::triggered, this, &AcknowledgeCommands::acknowledgeCurrent);
    QAction *withdraw = menu->addAction(QStringLiteral("Withdraw acknowledgement"));
    withdraw->setObjectName(QStringLiteral("WithdrawAcknowledgement"));
    connect(withdraw, &QAction::triggered, this, &AcknowledgeCommands::withdrawCurrent);
}

void AcknowledgeCommands::acknowledgeCurrent()
{
    const int row = m_analysisList.currentRow();
    if (row < 0) {
        m_prompt.notice(QLatin1String(NoFindingText));
        return;
    }
    const AnalysisEntry entry = m_analysisList.entry(row);
    const std::optional<AcknowledgeDialog::Answer> answer = m_ask(entry.ip, entry.mac);
    if (!answer)
        return;
    Acknowledgement ack;
    ack.ip = AcknowledgedSet::normalIp(entry.ip);
    ack.mac = AcknowledgedSet::normalMac(entry.mac);
    ack.note = answer->note;
    ack.by = loginName();
    ack.at = m_clock().toUTC();
    if (answer->lastDay)
        ack.until = Acknowledgement::endOfDay(*answer->lastDay);
    if (const Result<> added = AcknowledgementStore(m_store).add(ack); !added) {
        m_prompt.error(added.error());
        return;
    }
    m_analysisList.setAcknowledged(entry.ip, entry.mac, true);
}

void AcknowledgeCommands::withdrawCurrent()
{
    const int row = m_analysisList.currentRow();
    if (row < 0) {
        m_prompt.notice(QLatin1String(NoFindingText));
        return;
    }
    if (!m_analysisList.isAcknowledged(row)) {
        m_prompt.notice(QLatin1String(NotAcknowledgedText));
        return;
    }
    const AnalysisEntry entry = m_analysisList.entry(row);
    const Result<bool> removed = AcknowledgementStore(m_store).remove(entry.ip, entry.mac);
    if (!removed) {
        m_prompt.error(removed.error());
        return;
    }
    // Gone from the database already (another window, the command line, or
    // expired and removed): the row is unmarked all the same.
    m_analysisList.setAcknowledged(entry.ip, entry.mac, false);
}
