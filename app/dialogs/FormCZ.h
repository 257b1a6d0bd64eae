#pragma once

#include "records/FindNextInList.h"

#include <QDialog>

class ListModel;
class Prompt;
class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;
struct ProgramState;

// The find dialog: searches the scan list (FindTarget 1) or the record list
// (FindTarget 2) with FindNextInList, one match per "Find Next". Not modal
// and kept above the other windows; "Cancel" closes and deletes it, so the
// next Find command shows a fresh one. The models, state and prompt must
// outlive it. It takes the keyboard focus (the search text) when it opens;
// the window's MessageBoxPrompt puts the end-of-search message over it, as
// it is then the active window.
//
// Object names are the control names: Combo1, Check1, Check2, Option1, Option2,
// XPButton1 (Find Next), XPButton2 (Cancel).
class FormCZ : public QDialog
{
    Q_OBJECT

public:
    FormCZ(ListModel &scanList, ListModel &recordList, ProgramState &state, Prompt &prompt,
           QWidget *parent = nullptr);

    // One "Find Next": the 1-based row found, or 0.
    int findNext();

Q_SIGNALS:
    // After every search: the searched list is to take the focus and show
    // its current row.
    void listSearched(qint16 findTarget, int foundRow);

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    ListModel &targetList() const;

    ListModel &m_scanList;
    ListModel &m_recordList;
    ProgramState &m_state;
    Prompt &m_prompt;
    QComboBox *m_text;
    QCheckBox *m_wholeWords;
    QCheckBox *m_matchCase;
    QRadioButton *m_down;
    QRadioButton *m_up;
    QPushButton *m_findNext;
};
