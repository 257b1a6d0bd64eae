#pragma once

#include <QDialog>

class QListWidget;

// "Select a network computer.": one of the given computer names, returned as
// "\\" + name, or empty text when cancelled. A double click chooses too.
//
// Object names: lstComputers, cmdOK, cmdCancel.
class ComputerPicker : public QDialog
{
    Q_OBJECT

public:
    explicit ComputerPicker(const QStringList &names, QWidget *parent = nullptr);

    // "\\" + the highlighted name once accepted; empty otherwise.
    QString chosen() const;

private:
    QListWidget *m_names;
};
