#pragma once

#include <QObject>
#include <QString>

class DatabaseMaintenance;
class FileDialog;
class MainMenus;
class Prompt;
class RecordCommands;
class QWidget;

// The Database menu's maintenance items: "Database Bakcup" (also the database
// pane's Backup button), "Database Recovery" and "Compacted Database", and
// the matching entries of the record list's pop-up menu. After a recovery or
// a compaction the record list is loaded again. They act on the store of the
// record commands, file or server, as it is at the moment of the command.
class MaintenanceCommands : public QObject
{
    Q_OBJECT

public:
    MaintenanceCommands(MainMenus &menus, RecordCommands &commands, Prompt &prompt, FileDialog &fileDialog,
                        const QString &dataFolder, QWidget *window);

private:
    DatabaseMaintenance maintenance() const;
    void backup();
    void recover();
    void compact();

    RecordCommands &m_commands;
    Prompt &m_prompt;
    QString m_dataFolder;
    FileDialog &m_fileDialog;
};
