#include "app/dialogs/FormAddJF.h"

#include "records/RecordCommands.h"

#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const char *const BoxLabels[RecordEditor::BoxCount] = {"IP Address", "MAC Address",   "Host Name",
                                                       "Workgroup",  "User",          "Department",
                                                       "Location",   "LAN Interface", "Comments"};

QPushButton *makeButton(const char *caption, int index, QWidget *parent)
{
    auto *button = new QPushButton(QLatin1String(caption), parent);
    button->setObjectName(QStringLiteral("XPButton1_%1").arg(index));
    button->setAutoDefault(false);
    return button;
}

} // namespace

FormAddJF::FormAddJF(RecordCommands &commands, QWidget *parent)
    : QDialog(parent),
      m_editor(commands.store(), commands.prompt(), commands.state(), [&commands] { commands.addLIST(); })
{
    setObjectName(QStringLiteral("FormAddJF"));
    setModal(true);

    auto *grid = new QGridLayout;
    for (int k = 0; k < RecordEditor::BoxCount; ++k) {
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("Text1_%1").arg(k));
        auto *label = new QLabel(QLatin1String(BoxLabels[k]), this);
        label->setBuddy(edit);
        grid->addWidget(label, k, 0);
        grid->addWidget(edit, k, 1);
        m_boxes.append(edit);
    }
    m_boxes.at(RecordEditor::IpBox)->installEventFilter(this);
    m_boxes.at(RecordEditor::MacBox)->installEventFilter(this);

    QPushButton *saveButton = makeButton("Save", 0, this);
    QPushButton *closeButton = makeButton("Close", 1, this);
    QPushButton *addButton = makeButton("Add", 2, this);
    connect(saveButton, &QPushButton::clicked, this, &FormAddJF::save);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(addButton, &QPushButton::clicked, this, &FormAddJF::startAdd);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(saveButton);
    buttons->addWidget(addButton);
    buttons->addWidget(closeButton);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    setBoxes(m_editor.open().value_or(QStringList(RecordEditor::BoxCount)));
    setWindowTitle(m_editor.caption());
}

void FormAddJF::setBoxes(const QStringList &texts)
{
    for (int k = 0; k < m_boxes.size(); ++k)
        m_boxes.at(k)->setText(texts.value(k));
}

QStringList FormAddJF::boxTexts() const
{
    QStringList texts;
    for (const QLineEdit *edit : m_boxes)
        texts.append(edit->text());
    return texts;
}

bool FormAddJF::eventFilter(QObject *watched, QEvent *event)
{
    // Only a move to another control counts as leaving the box: the focus also
    // goes when a message box or another window comes up, and the check must
    // not answer its own message.
    if (event->type() == QEvent::FocusOut && !m_checkingBox) {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            m_checkingBox = true;
            if (watched == m_boxes.at(RecordEditor::IpBox)) {
                m_editor.ipBoxLeft(m_boxes.at(RecordEditor::IpBox)->text());
            } else if (watched == m_boxes.at(RecordEditor::MacBox)) {
                if (const auto mac = m_editor.macBoxLeft(m_boxes.at(RecordEditor::MacBox)->text()))
                    m_boxes.at(RecordEditor::MacBox)->setText(*mac);
            }
            m_checkingBox = false;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FormAddJF::save()
{
    QStringList texts = boxTexts();
    const RecordEditor::SaveOutcome outcome = m_editor.save(&texts);
    m_boxes.at(RecordEditor::MacBox)->setText(texts.at(RecordEditor::MacBox));
    if (outcome.focusBox >= 0) {
        // Moving the focus for the user is not the user leaving a box.
        m_checkingBox = true;
        m_boxes.at(outcome.focusBox)->setFocus(Qt::OtherFocusReason);
        m_checkingBox = false;
    }
}

void FormAddJF::startAdd()
{
    setBoxes(m_editor.startAdd());
}
