#pragma once

#include <QObject>

class DatabasePane;
class ListView;
class MainMenus;
class RecordCommands;
class RecordListModel;

// The Database menu on the record list: "Add...", "Modify..." (the record
// editor FormAddJF, also on a double click), the check-box commands and
// "Delete Selected"; the database pane's buttons and the list's pop-up menu
// menuPopD run the same items. "Find Record" is FindCommands'.
class DatabaseCommands : public QObject
{
    Q_OBJECT

public:
    DatabaseCommands(MainMenus &menus, RecordCommands &commands, RecordListModel &records, DatabasePane *pane,
                     ListView *recordView, QWidget *window);

private:
    void openRecordEditor();

    RecordCommands &m_commands;
    QWidget *m_window;
};
