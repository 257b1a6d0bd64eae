#include "app/dialogs/FormShutdownOp.h"

#include "platform/Prompt.h"
#include "platform/SettingsSection.h"
#include "tools/RemoteShutdown.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

FormShutdownOp::FormShutdownOp(Prompt &prompt, QWidget *parent)
    : QDialog(parent), m_prompt(prompt), m_controls(this, 2)
{
    setObjectName(QStringLiteral("FormShutdownOp"));
    setWindowTitle(QStringLiteral("Remote Shutdown Options"));
    setModal(true);

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    auto *close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    close->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &FormShutdownOp::store);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Message to Send (127 characters max)"), m_controls.message);
    form->addRow(QStringLiteral("Delay (seconds)"), m_controls.delay);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_controls.frame);
    layout->addLayout(form);
    layout->addLayout(buttons);

    m_controls.show(ShutdownOptions::load(ShutdownOptions::section()));
}

void FormShutdownOp::store()
{
    const std::optional<int> delay = RemoteShutdown::parseDelay(m_controls.delay->text());
    if (!delay) {
        m_prompt.notice(QLatin1String(RemoteShutdown::DelayRefusedText));
        return;
    }
    m_controls.delay->setText(QString::number(*delay));
    m_controls.values().store(ShutdownOptions::section());
}
