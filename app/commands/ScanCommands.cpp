#include "app/commands/ScanCommands.h"

#include <QCheckBox>
#include <QMenu>
#include <QPushButton>

#include "app/parts/AutoStepNotice.h"
#include "app/parts/MainMenus.h"
#include "app/parts/OptionFrames.h"
#include "app/parts/StatusBarPanels.h"
#include "app/widgets/ListView.h"
#include "app/widgets/ScanRangeEntry.h"
#include "lists/ScanListModel.h"
#include "platform/Prompt.h"

ScanCommands::ScanCommands(MainMenus &menus, ScanRun &scanRun, ScanListModel &scanList, OptionFrames *frames,
                           ListView *scanView, StatusBarPanels *status, Prompt &prompt, QWidget *window)
    : QObject(window),
      m_menus(menus),
      m_scanRun(scanRun),
      m_frames(frames),
      m_status(status),
      m_prompt(prompt),
      m_notice(new AutoStepNotice(window, status))
{
    menus.setHandler(QStringLiteral("SMmenu8"), [this] { startScan(Origin::User); });
    menus.setHandler(QStringLiteral("SMmenu9"), [this] { m_scanRun.togglePause(); });
    menus.setHandler(QStringLiteral("SMmenu10"), [this] { m_scanRun.stop(); });
    menus.setHandler(QStringLiteral("SMmenu6"), [&scanList] { scanList.clear(); });
    menus.setHandler(QStringLiteral("SMmenu11"), [&scanList] { scanList.setAllChecked(true); });
    menus.setHandler(QStringLiteral("SMmenu12"), [&scanList] { scanList.setAllChecked(false); });
    menus.setHandler(QStringLiteral("SMmenu13"), [&scanList] { scanList.invertChecked(); });
    menus.setHandler(QStringLiteral("SMmenu14"), [&scanList] { scanList.removeChecked(); });

    const char *const buttons[][2] = {
        {"CmdStar", "SMmenu8"},   {"CmdPause", "SMmenu9"}, {"CmdStop", "SMmenu10"}, {"CmdSave", "SMmenu3"},
        {"CmdaddToR", "SMmenu5"}, {"CmdFindS", "SMmenu2"}, {"CmdClear", "SMmenu6"},
    };
    for (const auto &[button, item] : buttons)
        menus.bindButton(frames->button(QLatin1String(button)), QLatin1String(item));
    QMenu *popup = menus.menu(QStringLiteral("menuPopS"));
    connect(scanView, &ListView::popupRequested, popup, [popup](const QPoint &at) { popup->popup(at); });

    connect(&scanRun, &ScanRun::stateChanged, this, &ScanCommands::stateChanged);
    connect(&scanRun, &ScanRun::startFailed, this, &ScanCommands::reportStartFailure);
    connect(&scanRun, &ScanRun::statusTextChanged, status, &StatusBarPanels::setStatusText);
    connect(&scanRun, &ScanRun::progressChanged, status, &StatusBarPanels::setProgress);
    connect(&scanRun, &ScanRun::progressVisibleChanged, status, &StatusBarPanels::setProgressVisible);
    connect(&scanRun, &ScanRun::rangeOrderShown, frames->rangeEntry(), &ScanRangeEntry::showRangeOrder);
    connect(&scanRun, &ScanRun::rowsAppended, scanView,
            [scanView, &scanList](int, int last) { scanView->scrollTo(scanList.index(last, 1)); });
    connect(&scanRun, &ScanRun::finished, this, [this](const QString &completion) {
        m_runOrigin = Origin::User; // a run started elsewhere is not taken for an automatic one
        m_status->setProgressVisible(false);
        if (!completion.isEmpty())
            m_status->setStatusText(completion);
    });
}

bool ScanCommands::startScan(Origin origin)
{
    if (m_scanRun.isScanning())
        return false;
    m_runOrigin = origin;
    ScanRangeEntry *entry = m_frames->rangeEntry();
    const Result<ScanRange> range = ScanRange::fromBoxes(entry->boxesForScan(), entry->method());
    if (!range) {
        reportStartFailure(QLatin1String(Prompt::NoticeTitle), range.error());
        m_runOrigin = Origin::User;
        return false;
    }
    m_scanRun.setShowSilent(m_frames->check(1)->isChecked());
    return m_scanRun.start(*range);
}

void ScanCommands::reportStartFailure(const QString &title, const QString &text)
{
    if (m_runOrigin == Origin::Automatic)
        m_notice->report(title, text);
    else
        m_prompt.ask({title, text, PromptButtons::Ok, PromptAnswer::Ok, PromptIcon::Exclamation});
}

void ScanCommands::stateChanged(ScanRun::State state)
{
    const bool idle = state == ScanRun::State::Idle;
    m_menus.setEnabled(QStringLiteral("SMmenu8"), idle);
    m_menus.setEnabled(QStringLiteral("SMmenu9"), !idle);
    m_menus.setEnabled(QStringLiteral("SMmenu10"), !idle);
    setPauseCaption(QLatin1String(state == ScanRun::State::Paused ? "Continue" : "Pause"));
    switch (state) {
    case ScanRun::State::Running:
        m_status->startAnimation();
        break;
    case ScanRun::State::Paused:
        m_status->pauseAnimation();
        break;
    case ScanRun::State::Idle:
        m_status->stopAnimation();
        m_status->setProgressVisible(false);
        break;
    }
}

void ScanCommands::setPauseCaption(const QString &caption)
{
    m_frames->button(QStringLiteral("CmdPause"))->setText(caption);
    m_menus.action(QStringLiteral("SMmenu9"))->setText(caption);
}
