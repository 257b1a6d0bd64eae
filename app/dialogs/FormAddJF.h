#pragma once

#include "records/RecordEditor.h"

#include <QDialog>
#include <QList>

class QLineEdit;
class QPushButton;
class RecordCommands;

// The record editor window: nine boxes for the fields of one record and the
// buttons "Save", "Close" and "Add". Opened modally by Add and Modify after
// they set CurrentRecordId; all rules live in RecordEditor.
//
// Object names are the control names, arrays as name_index: "Text1_0" .. "Text1_8"
// (box k holds field k + 1), "XPButton1_0" Save, "XPButton1_1" Close,
// "XPButton1_2" Add.
class FormAddJF : public QDialog
{
    Q_OBJECT

public:
    explicit FormAddJF(RecordCommands &commands, QWidget *parent = nullptr);

    RecordEditor &editor() { return m_editor; }
    QLineEdit *box(int index) const { return m_boxes.value(index); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void save();
    void startAdd();
    void setBoxes(const QStringList &texts);
    QStringList boxTexts() const;

    RecordEditor m_editor;
    QList<QLineEdit *> m_boxes;
    bool m_checkingBox = false;
};
