#pragma once

#include <QObject>
#include <QString>

class FileDialog;
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
    MaintenanceCommands(MainMenus &menus, RecordCommands &commands, Prompt &prompt, FileDialog &fileDialog,
                        const QString &dataFolder, QWidget *window);

private:
    void backup();
    void recover();
    void compact();

    RecordCommands &m_commands;
    Prompt &m_prompt;
    QString m_dataFolder;
    FileDialog &m_fileDialog;
};
