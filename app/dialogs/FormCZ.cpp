#include "app/dialogs/FormCZ.h"

#include "lists/ListModel.h"
#include "platform/ProgramState.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

FormCZ::FormCZ(ListModel &scanList, ListModel &recordList, ProgramState &state, Prompt &prompt,
               QWidget *parent)
    : QDialog(parent), m_scanList(scanList), m_recordList(recordList), m_state(state), m_prompt(prompt)
{
    setObjectName(QStringLiteral("FormCZ"));
    setWindowTitle(QStringLiteral("Find"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    // Above the other windows from the start. It takes the activation when it
    // opens, so that the search text can be typed at once (see showEvent).
    setWindowFlag(Qt::WindowStaysOnTopHint);

    m_text = new QComboBox(this);
    m_text->setObjectName(QStringLiteral("Combo1"));
    m_text->setEditable(true);
    m_text->setInsertPolicy(QComboBox::NoInsert);
    m_wholeWords = new QCheckBox(QStringLiteral("Whole Words Only"), this);
    m_wholeWords->setObjectName(QStringLiteral("Check1"));
    m_matchCase = new QCheckBox(QStringLiteral("Match case"), this);
    m_matchCase->setObjectName(QStringLiteral("Check2"));
    m_down = new QRadioButton(QStringLiteral("Down"), this);
    m_down->setObjectName(QStringLiteral("Option1"));
    m_down->setChecked(true);
    m_up = new QRadioButton(QStringLiteral("Up"), this);
    m_up->setObjectName(QStringLiteral("Option2"));
    m_findNext = new QPushButton(QStringLiteral("Find Next"), this);
    m_findNext->setObjectName(QStringLiteral("XPButton1"));
    m_findNext->setEnabled(false);
    m_findNext->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("XPButton2"));

    connect(m_text, &QComboBox::editTextChanged, this,
            [this](const QString &text) { m_findNext->setEnabled(!text.isEmpty()); });
    connect(m_findNext, &QPushButton::clicked, this, [this] { findNext(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);

    auto *direction = new QGroupBox(this);
    auto *directionLayout = new QVBoxLayout(direction);
    directionLayout->addWidget(m_down);
    directionLayout->addWidget(m_up);

    auto *grid = new QGridLayout(this);
    grid->addWidget(m_text, 0, 0, 1, 2);
    grid->addWidget(m_findNext, 0, 2);
    grid->addWidget(m_wholeWords, 1, 0);
    grid->addWidget(direction, 1, 1, 2, 1);
    grid->addWidget(cancel, 1, 2);
    grid->addWidget(m_matchCase, 2, 0);
}

ListModel &FormCZ::targetList() const
{
    return m_state.FindTarget == ProgramState::FindScanList ? m_scanList : m_recordList;
}

int FormCZ::findNext()
{
    const QString text = m_text->currentText();
    if (text.isEmpty())
        return 0;
    const int found = FindNextInList(targetList(), text, m_wholeWords->isChecked(), m_matchCase->isChecked(),
                                     m_up->isChecked() ? FindDirection::Up : FindDirection::Down, m_prompt);
    Q_EMIT listSearched(m_state.FindTarget, found);
    return found;
}

void FormCZ::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    activateWindow();
    m_text->setFocus(Qt::ActiveWindowFocusReason);
}

bool FormCZ::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        m_text->setFocus(Qt::ActiveWindowFocusReason);
    return QDialog::event(event);
}
