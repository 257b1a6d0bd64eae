#include "app/dialogs/AcknowledgeDialog.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

AcknowledgeDialog::AcknowledgeDialog(const QString &ip, const QString &mac, const QDate &today,
                                     QWidget *parent)
    : QDialog(parent),
      m_note(new QLineEdit(this)),
      m_untilCheck(new QCheckBox(QStringLiteral("Until"), this)),
      m_until(new QDateEdit(today, this))
{
    setObjectName(QStringLiteral("AcknowledgeDialog"));
    setWindowTitle(QStringLiteral("Acknowledge finding"));
    m_note->setObjectName(QStringLiteral("NoteEdit"));
    m_untilCheck->setObjectName(QStringLiteral("UntilCheck"));
    m_until->setObjectName(QStringLiteral("UntilDate"));
    m_until->setCalendarPopup(true);
    m_until->setMinimumDate(today);
    m_until->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_until->setEnabled(false);
    connect(m_untilCheck, &QCheckBox::toggled, m_until, &QWidget::setEnabled);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Finding:"), new QLabel(ip + QStringLiteral("  ") + mac, this));
    form->addRow(QStringLiteral("Note:"), m_note);
    form->addRow(m_untilCheck, m_until);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(
        new QLabel(QStringLiteral("Acknowledged findings stay in the list, greyed, and are left "
                                  "out of the mail report."),
                   this));
    layout->addWidget(buttons);
}

AcknowledgeDialog::Answer AcknowledgeDialog::answer() const
{
    Answer answer;
    answer.note = m_note->text().trimmed();
    if (m_untilCheck->isChecked())
        answer.lastDay = m_until->date();
    return answer;
}

std::optional<AcknowledgeDialog::Answer> AcknowledgeDialog::ask(const QString &ip, const QString &mac,
                                                                QWidget *parent)
{
    AcknowledgeDialog dialog(ip, mac, QDate::currentDate(), parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.answer();
}
