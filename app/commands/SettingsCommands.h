#pragma once

#include <QObject>
#include <QString>

class AutostartEntry;
class MainMenus;
class Prompt;
class QCheckBox;

// The Setting menu: "Auto Run When Logon Windows" (menuSet1) and its twin
// check box Check6 on the tab bar, both showing whether the logon entry
// holds this program's own command.
class SettingsCommands : public QObject
{
    Q_OBJECT

public:
    SettingsCommands(MainMenus &menus, AutostartEntry &autostart, QString ownCommand, QCheckBox *autorunBox,
                     Prompt &prompt, QObject *parent = nullptr);

    // Shows the entry as it stands; a missing or unreadable one counts as absent.
    void readAutorun();

private:
    void setAutorun(bool on);
    void showAutorunMark(bool on);

    MainMenus &m_menus;
    AutostartEntry &m_autostart;
    QString m_ownCommand;
    QCheckBox *m_box;
    Prompt &m_prompt;
};
