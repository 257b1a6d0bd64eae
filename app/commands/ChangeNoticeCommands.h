#pragma once

#include <QList>
#include <QObject>

#include "history/ChangeEvent.h"

class ChangesCommands;
class MainMenus;
class TrayIcon;

// The tray notice of change events: the submenu "Tray notices" of the
// Analyze menu ticks the kinds of change event that the automatic mode's
// scans tell in a tray balloon (the window's own scans are in view already).
// The kinds ticked are kept in the settings store, section "NOTICES", value
// "Kinds" (their words, comma-separated); until the user ticks any, those
// that most likely mean a stolen or shared address: ip-conflict,
// mac-changed, flip-flop.
class ChangeNoticeCommands : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *MenuName = "mnuNotices";
    static constexpr const char *Section = "NOTICES";

    ChangeNoticeCommands(MainMenus &menus, ChangesCommands &changes, TrayIcon *tray,
                         QObject *parent = nullptr);

    static QList<ChangeEvent::Kind> storedKinds();
    static void storeKinds(const QList<ChangeEvent::Kind> &kinds);
    // The action that ticks a kind is named "mnuNotice" followed by its word.
    static QString actionName(ChangeEvent::Kind kind);

private:
    void recorded(const QList<ChangeEvent> &events, bool automatic);

    TrayIcon *m_tray;
};
