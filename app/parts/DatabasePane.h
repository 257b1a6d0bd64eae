#pragma once

#include <QHash>
#include <QWidget>

class ListView;
class QPushButton;

// The database pane Picture4: the record list ListView2 beside a column of
// the buttons CmdAdd "Add", CmdMod "Modify", CmdDel "Delete", CmdBack
// "Backup", CmdFindR "Find" and CmdPing "Ping".
class DatabasePane : public QWidget
{
    Q_OBJECT

public:
    DatabasePane(ListView *recordList, QWidget *parent = nullptr);

    QPushButton *button(const QString &name) const { return m_buttons.value(name); }

private:
    QHash<QString, QPushButton *> m_buttons;
};
