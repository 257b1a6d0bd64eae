#include "app/commands/ChangeNoticeCommands.h"

#include "app/commands/ChangesCommands.h"
#include "app/parts/MainMenus.h"
#include "app/parts/TrayIcon.h"
#include "mail/ReportSettings.h"
#include "platform/SettingsSection.h"

#include <QAction>
#include <QMenu>

namespace {

const QLatin1String KindsValue("Kinds");

SettingsSection section()
{
    return SettingsSection(QLatin1String(ReportSettings::Application),
                           QLatin1String(ChangeNoticeCommands::Section));
}

} // namespace

ChangeNoticeCommands::ChangeNoticeCommands(MainMenus &menus, ChangesCommands &changes, TrayIcon *tray,
                                           QObject *parent)
    : QObject(parent), m_tray(tray)
{
    if (QMenu *analyze = menus.menu(QStringLiteral("JSmenu"))) {
        QMenu *notices = analyze->addMenu(QStringLiteral("Tray notices"));
        notices->setObjectName(QLatin1String(MenuName));
        const QList<ChangeEvent::Kind> ticked = storedKinds();
        for (const ChangeEvent::Kind kind : ChangeEvent::allKinds()) {
            QAction *action = notices->addAction(ChangeEvent::kindWord(kind));
            action->setObjectName(actionName(kind));
            action->setCheckable(true);
            action->setChecked(ticked.contains(kind));
            connect(action, &QAction::toggled, this, [kind](bool on) {
                QList<ChangeEvent::Kind> kinds = storedKinds();
                kinds.removeAll(kind);
                if (on)
                    kinds.append(kind);
                storeKinds(kinds);
            });
        }
    }
    connect(&changes, &ChangesCommands::eventsRecorded, this, &ChangeNoticeCommands::recorded);
}

QList<ChangeEvent::Kind> ChangeNoticeCommands::storedKinds()
{
    const SettingsSection values = section();
    if (!values.contains(KindsValue))
        return {ChangeEvent::Kind::IpConflict, ChangeEvent::Kind::MacChanged, ChangeEvent::Kind::FlipFlop};
    QList<ChangeEvent::Kind> kinds;
    for (const QString &word : values.value(KindsValue).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (const std::optional<ChangeEvent::Kind> kind = ChangeEvent::kindFromWord(word.trimmed()))
            kinds.append(*kind);
    }
    return kinds;
}

void ChangeNoticeCommands::storeKinds(const QList<ChangeEvent::Kind> &kinds)
{
    QStringList words;
    for (const ChangeEvent::Kind kind : kinds)
        words.append(ChangeEvent::kindWord(kind));
    section().setValue(KindsValue, words.join(QLatin1Char(',')));
}

QString ChangeNoticeCommands::actionName(ChangeEvent::Kind kind)
{
    return QStringLiteral("mnuNotice") + ChangeEvent::kindWord(kind);
}

void ChangeNoticeCommands::recorded(const QList<ChangeEvent> &events, bool automatic)
{
    if (!automatic)
        return;
    const QList<ChangeEvent::Kind> ticked = storedKinds();
    QList<ChangeEvent> told;
    for (const ChangeEvent &event : events) {
        if (ticked.contains(event.kind))
            told.append(event);
    }
    if (!told.isEmpty())
        m_tray->showChanges(told);
}
