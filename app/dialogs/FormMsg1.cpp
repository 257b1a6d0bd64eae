#include "app/dialogs/FormMsg1.h"

#include "platform/Prompt.h"
#include "platform/WorkRunner.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

FormMsg1::FormMsg1(const MessageSender &sender, Prompt &prompt, WorkRunner &work, const QString &destination,
                   QWidget *parent)
    : WorkingDialog(parent),
      m_sender(sender),
      m_work(work),
      m_prompt(prompt),
      m_destination(new QLineEdit(destination, this)),
      m_text(new QPlainTextEdit(this)),
      m_send(new QPushButton(QStringLiteral("Send"), this))
{
    setObjectName(QStringLiteral("FormMsg1"));
    setWindowTitle(QStringLiteral("Send Message"));
    setModal(true);

    auto *computerLabel = new QLabel(QStringLiteral("Send To IP:"), this);
    computerLabel->setObjectName(QStringLiteral("lblComputer"));
    computerLabel->setBuddy(m_destination);
    m_destination->setObjectName(QStringLiteral("txtComputer"));
    auto *textLabel = new QLabel(QStringLiteral("Message:"), this);
    textLabel->setObjectName(QStringLiteral("Label2"));
    textLabel->setBuddy(m_text);
    m_text->setObjectName(QStringLiteral("Text2"));
    m_send->setObjectName(QStringLiteral("Command1"));
    auto *close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("Command3"));
    close->setAutoDefault(false);
    connect(m_send, &QPushButton::clicked, this, &FormMsg1::send);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto *grid = new QGridLayout;
    grid->addWidget(computerLabel, 0, 0);
    grid->addWidget(m_destination, 0, 1);
    grid->addWidget(textLabel, 1, 0, Qt::AlignTop);
    grid->addWidget(m_text, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_send);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
}

void FormMsg1::send()
{
    if (isRunning())
        return;
    const QString destination = m_destination->text();
    if (destination.trimmed().isEmpty()) {
        m_prompt.error(QLatin1String(MessageSender::EmptyDestinationText));
        return;
    }
    setRunning(true);
    m_work.run(
        this,
        [sender = m_sender, destination, text = m_text->toPlainText()] {
            return sender.send(destination, text);
        },
        [this](const SendOutcome &result) { sent(result); });
}

void FormMsg1::sent(const SendOutcome &result)
{
    setRunning(false);
    if (result.senderMissing)
        m_prompt.error(MessageSender::senderMissingText(), PromptIcon::Critical);
    else if (result.status == MessageSender::Delivered)
        m_prompt.ask({QLatin1String(MessageSender::SentTitle), MessageSender::wording(result.status),
                      PromptButtons::Ok, PromptAnswer::Ok, PromptIcon::Information});
    else
        m_prompt.error(MessageSender::wording(result.status), PromptIcon::Critical);
    raise();
    activateWindow();
}
