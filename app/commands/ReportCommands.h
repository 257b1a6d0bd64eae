#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include "mail/DailyReport.h"

class FileDialog;
class FormEmail;
class ListModel;
class MainMenus;
class Prompt;
class StatusBarPanels;
class QWidget;

// Setting > "Send Email Report" (menuSet3): the daily mail report of the
// analysis list. Holds the report (its settings and TimerEmail), opens
// "Email Options", and shows each report's outcome in the status bar (it is
// also kept in report.log in the data folder). The menu item is checked while
// the report is on.
class ReportCommands : public QObject
{
    Q_OBJECT

public:
    ReportCommands(MainMenus &menus, const ListModel &analysisList, const QString &dataFolder, Prompt &prompt,
                   FileDialog &fileDialog, StatusBarPanels *status, QWidget *window,
                   QObject *parent = nullptr);

    // The start-up step: the stored settings, the menu mark and the timer.
    void load();

    DailyReport &report() { return m_report; }
    // The open "Email Options", if any.
    FormEmail *dialog() const;

private:
    void openOptions();
    void apply(const ReportSettings &settings);

    MainMenus &m_menus;
    Prompt &m_prompt;
    FileDialog &m_fileDialog;
    StatusBarPanels *m_status;
    QWidget *m_window;
    DailyReport m_report;
    QPointer<FormEmail> m_dialog;
};
