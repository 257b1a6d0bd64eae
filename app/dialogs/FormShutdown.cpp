#include "app/dialogs/FormShutdown.h"

#include "platform/Prompt.h"
#include "platform/SettingsSection.h"
#include "platform/WorkRunner.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPushButton *makeButton(const char *name, const char *caption, QWidget *parent)
{
    auto *button = new QPushButton(QLatin1String(caption), parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

QLabel *makeLabel(const char *name, const char *caption, QWidget *buddy, QWidget *parent)
{
    auto *label = new QLabel(QLatin1String(caption), parent);
    label->setObjectName(QLatin1String(name));
    label->setBuddy(buddy);
    return label;
}

void tell(Prompt &prompt, const char *title, const QString &text, PromptIcon icon)
{
    prompt.ask({QLatin1String(title), text, PromptButtons::Ok, PromptAnswer::Ok, icon});
}

} // namespace

FormShutdown::FormShutdown(const RemoteShutdown &shutdown, Prompt &prompt, WorkRunner &work,
                           const QString &target, ComputerPick pickComputer, QWidget *parent)
    : WorkingDialog(parent),
      m_shutdown(shutdown),
      m_work(work),
      m_prompt(prompt),
      m_pickComputer(std::move(pickComputer)),
      m_target(new QLineEdit(target, this)),
      m_controls(this, 3),
      m_user(new QLineEdit(this)),
      m_password(new QLineEdit(this))
{
    setObjectName(QStringLiteral("FormShutdown"));
    setWindowTitle(QStringLiteral("Remote Shutdown"));
    setModal(true);

    m_target->setObjectName(QStringLiteral("txtComputer"));
    m_user->setObjectName(QStringLiteral("txtUser"));
    m_password->setObjectName(QStringLiteral("txtPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    QPushButton *browseButton = makeButton("cmdBrowse", "...", this);
    QPushButton *shutdownButton = makeButton("cmdShutdown", "Shutdown", this);
    QPushButton *abortButton = makeButton("cmdAbort", "Abort", this);
    QPushButton *closeButton = makeButton("cmdClose", "Close", this);
    connect(browseButton, &QPushButton::clicked, this, &FormShutdown::browse);
    connect(shutdownButton, &QPushButton::clicked, this, &FormShutdown::sendShutdown);
    connect(abortButton, &QPushButton::clicked, this, &FormShutdown::sendAbort);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);

    auto *grid = new QGridLayout;
    grid->addWidget(makeLabel("lblComputer", "IP or Computer Name:", m_target, this), 0, 0);
    grid->addWidget(m_target, 0, 1);
    grid->addWidget(browseButton, 0, 2);
    grid->addWidget(m_controls.frame, 1, 0, 1, 3);
    grid->addWidget(makeLabel("lblMessage", "Message to Send (127 characters max)", m_controls.message, this),
                    2, 0, 1, 3);
    grid->addWidget(m_controls.message, 3, 0, 1, 3);
    grid->addWidget(makeLabel("lblDelay", "Delay (seconds)", m_controls.delay, this), 4, 0);
    grid->addWidget(m_controls.delay, 4, 1);
    grid->addWidget(makeLabel("lblUser", "User Name:", m_user, this), 5, 0);
    grid->addWidget(m_user, 5, 1);
    grid->addWidget(makeLabel("lblPassword", "Password:", m_password, this), 6, 0);
    grid->addWidget(m_password, 6, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(shutdownButton);
    buttons->addWidget(abortButton);
    buttons->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    m_controls.show(ShutdownOptions::load(ShutdownOptions::section()));
}

void FormShutdown::browse()
{
    if (!m_pickComputer) {
        m_target->setText({});
        return;
    }
    // Looking for the computers takes a few seconds: nothing is sent meanwhile.
    setControlsEnabled(false);
    m_pickComputer(this, [this](const QString &name) {
        setControlsEnabled(true);
        m_target->setText(name);
    });
}

void FormShutdown::start(std::function<ShutdownOutcome(const RemoteShutdown &)> request,
                         std::function<void(const ShutdownOutcome &)> tellOutcome)
{
    setRunning(true);
    // The work has its own copy of the tool: the dialog may be gone when net ends.
    m_work.run(
        this, [shutdown = m_shutdown, request = std::move(request)] { return request(shutdown); },
        [this, tellOutcome = std::move(tellOutcome)](const ShutdownOutcome &result) {
            setRunning(false);
            if (result.clientMissing)
                m_prompt.error(RemoteShutdown::clientMissingText(), PromptIcon::Critical);
            else
                tellOutcome(result);
        });
}

void FormShutdown::sendShutdown()
{
    if (isRunning())
        return;
    const QString target = m_target->text();
    if (target.trimmed().isEmpty()) {
        tell(m_prompt, "Specify a Computer", RemoteShutdown::noTargetText(false), PromptIcon::Exclamation);
        return;
    }
    const ShutdownOptions options = m_controls.values();
    const std::optional<int> delay =
        RemoteShutdown::parseDelay(options.delay, RemoteShutdown::MaxDialogDelay);
    if (!delay) {
        m_prompt.notice(QLatin1String(RemoteShutdown::DialogDelayRefusedText));
        return;
    }
    const ShutdownRequest request{target.trimmed(), options.message, *delay, options.force, options.reboot};
    const ShutdownAccount account{m_user->text(), m_password->text()};
    start([request, account](const RemoteShutdown &shutdown) { return shutdown.shutdown(request, account); },
          [this, target, delayText = options.delay](const ShutdownOutcome &result) {
              if (result.succeeded)
                  tell(m_prompt, "Shutdown Sent", RemoteShutdown::shutdownSentText(target, delayText),
                       PromptIcon::Information);
              else
                  tell(m_prompt, "Cannot Shutdown", RemoteShutdown::shutdownFailedText(target),
                       PromptIcon::Exclamation);
          });
}

void FormShutdown::sendAbort()
{
    if (isRunning())
        return;
    const QString target = m_target->text();
    if (target.trimmed().isEmpty()) {
        tell(m_prompt, "Specify a Computer", RemoteShutdown::noTargetText(true), PromptIcon::Exclamation);
        return;
    }
    const ShutdownAccount account{m_user->text(), m_password->text()};
    start([host = target.trimmed(),
           account](const RemoteShutdown &shutdown) { return shutdown.abort(host, account); },
          [this, target](const ShutdownOutcome &result) {
              if (result.succeeded)
                  tell(m_prompt, "Abort Successful", RemoteShutdown::abortSentText(target),
                       PromptIcon::Information);
              else
                  tell(m_prompt, "Cannot Abort", RemoteShutdown::abortFailedText(target),
                       PromptIcon::Exclamation);
          });
}
