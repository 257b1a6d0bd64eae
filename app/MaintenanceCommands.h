#pragma once

#include <QObject>
#include <QString>
#include <functional>

class MainMenus;
class Prompt;
class RecordCommands;
class QWidget;

// The Database menu's maintenance items: "Database Bakcup" (also the database
// pane's Backup button), "Database Recovery" and "Compacted Database", and
// the matching entries of the record list's pop-up menu. After a recovery or
// a compaction the record list is loaded again.
class MaintenanceCommands : public QObject
{
    Q_OBJECT

public:
    // Returns the chosen backup file, or nothing when the user cancelled.
    // Empty: a file-open dialog over the window.
    using ChooseBackup = std::function<QString(QWidget *window, const QString &title, const QString &folder,
                                               const QString &filter)>;

    MaintenanceCommands(MainMenus &menus, RecordCommands &commands, Prompt &prompt, const QString &dataFolder,
                        ChooseBackup chooseBackup, QWidget *window);

private:
    void backup();
    void recover();
    void compact();

    RecordCommands &m_commands;
    Prompt &m_prompt;
    QString m_dataFolder;
    ChooseBackup m_chooseBackup;
    QWidget *m_window;
};
