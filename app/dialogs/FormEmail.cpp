#include "app/dialogs/FormEmail.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "mail/ReportRun.h"
#include "mail/clsSendMail.h"
#include "platform/FileDialog.h"
#include "platform/Prompt.h"

namespace {

template <typename W>
W *named(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

const MailEncryption Encryptions[] = {MailEncryption::None, MailEncryption::StartTls, MailEncryption::Tls};

} // namespace

FormEmail::FormEmail(Prompt &prompt, FileDialog &fileDialog, QWidget *parent)
    : QDialog(parent), m_prompt(prompt), m_fileDialog(fileDialog)
{
    setObjectName(QStringLiteral("FormEmail"));
    setWindowTitle(QStringLiteral("Email Options"));
    build();
    load(ReportSettings::load());
}

FormEmail::~FormEmail()
{
    delete m_mail.data();
}

void FormEmail::build()
{
    m_host = named(new QLineEdit, "txtSMTPHost");
    m_port = named(new QSpinBox, "txtSMTPPort");
    m_port->setRange(1, 65535);
    m_encryption = named(new QComboBox, "cboEncryption");
    m_encryption->addItems({QStringLiteral("None"), QStringLiteral("STARTTLS"), QStringLiteral("TLS")});
    m_caFile = named(new QLineEdit, "txtCAFile");
    m_caFile->setPlaceholderText(QStringLiteral("the system's certificate authorities"));
    m_user = named(new QLineEdit, "txtUser");
    m_pass = named(new QLineEdit, "txtPass");
    m_pass->setEchoMode(QLineEdit::Password);
    m_sender = named(new QLineEdit, "txtSender");
    m_auth = named(new QCheckBox(QStringLiteral("SMTP Host requires authentication")), "chkAuth");
    m_recipient = named(new QLineEdit, "txtSmsNumber");
    m_subject = named(new QLineEdit, "txtSubject");
    m_message = named(new QPlainTextEdit, "txtMessage");
    m_attach = named(new QLineEdit, "txtAttach");
    m_send = named(new QCheckBox(QStringLiteral("Send Email Report")), "Check1");
    m_hour = named(new QComboBox, "cboHour");
    m_minute = named(new QComboBox, "cboMinute");
    for (int h = 0; h <= 23; ++h)
        m_hour->addItem(QString::number(h));
    for (int m = 0; m <= 59; ++m)
        m_minute->addItem(QString::number(m));
    m_skipEmpty =
        named(new QCheckBox(QStringLiteral("Doesn't sent when there is no analysis results")), "Check2");

    auto *server = named(new QGroupBox(QStringLiteral("Mailserver settings")), "Frame1");
    auto *serverForm = new QFormLayout(server);
    serverForm->addRow(QStringLiteral("SMTP Host (Outgoing Mail)"), m_host);
    serverForm->addRow(QStringLiteral("Port"), m_port);
    serverForm->addRow(QStringLiteral("Encryption"), m_encryption);
    auto *plainNote = named(new QLabel(QStringLiteral("With None the login's password travels in clear, "
                                                      "readable by anyone on the way to the server.")),
                            "lblPlainPassword");
    plainNote->setWordWrap(true);
    serverForm->addRow(QString(), plainNote);
    serverForm->addRow(QStringLiteral("Certificate authority"), m_caFile);
    serverForm->addRow(m_auth);
    serverForm->addRow(QStringLiteral("Username:"), m_user);
    serverForm->addRow(QStringLiteral("Password"), m_pass);
    serverForm->addRow(QLatin1String(SenderExample), m_sender);

    auto *browse = named(new QPushButton(QStringLiteral("Browse...")), "cmdBrowse");
    auto *attachRow = new QHBoxLayout;
    attachRow->addWidget(m_attach);
    attachRow->addWidget(browse);
    auto *mailForm = new QFormLayout;
    mailForm->addRow(QStringLiteral("Recipient Email"), m_recipient);
    mailForm->addRow(QStringLiteral("Subject"), m_subject);
    mailForm->addRow(QStringLiteral("Message"), m_message);
    mailForm->addRow(QStringLiteral("Attachment"), attachRow);

    auto *timeRow = new QHBoxLayout;
    timeRow->addWidget(m_send);
    timeRow->addWidget(new QLabel(QStringLiteral("Hour")));
    timeRow->addWidget(m_hour);
    timeRow->addWidget(new QLabel(QStringLiteral("Minute")));
    timeRow->addWidget(m_minute);
    timeRow->addStretch();

    auto *save = named(new QPushButton(QStringLiteral("Save settings")), "cmdSave");
    auto *test = named(new QPushButton(QStringLiteral("Test")), "cmdSend");
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(test);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(server);
    layout->addLayout(mailForm);
    layout->addLayout(timeRow);
    layout->addWidget(m_skipEmpty);
    layout->addLayout(buttons);

    connect(browse, &QPushButton::clicked, this, &FormEmail::browse);
    connect(save, &QPushButton::clicked, this, &FormEmail::save);
    connect(test, &QPushButton::clicked, this, &FormEmail::test);
}

void FormEmail::load(const ReportSettings &s)
{
    m_host->setText(s.smtpHost);
    m_port->setValue(s.smtpPort);
    m_encryption->setCurrentIndex(int(
        std::find(std::begin(Encryptions), std::end(Encryptions), s.encryption) - std::begin(Encryptions)));
    m_caFile->setText(s.caFile);
    m_user->setText(s.user);
    m_pass->setText(s.password);
    m_sender->setText(s.sender);
    m_auth->setChecked(s.useAuthentication);
    m_recipient->setText(s.recipient);
    m_subject->setText(s.subject);
    m_message->setPlainText(s.message);
    m_send->setChecked(s.isSend);
    m_hour->setCurrentIndex(s.hour);
    m_minute->setCurrentIndex(s.minute);
    m_skipEmpty->setChecked(s.isResult);
}

ReportSettings FormEmail::controlSettings() const
{
    ReportSettings s;
    s.smtpHost = m_host->text();
    s.smtpPort = m_port->value();
    s.encryption = Encryptions[qBound(0, m_encryption->currentIndex(), 2)];
    s.caFile = m_caFile->text();
    s.user = m_user->text();
    s.password = m_pass->text();
    s.sender = m_sender->text();
    s.useAuthentication = m_auth->isChecked();
    s.recipient = m_recipient->text();
    s.subject = m_subject->text();
    s.message = m_message->toPlainText();
    s.isSend = m_send->isChecked();
    s.hour = m_hour->currentIndex();
    s.minute = m_minute->currentIndex();
    s.isResult = m_skipEmpty->isChecked();
    return s;
}

void FormEmail::browse()
{
    FileDialogRequest request;
    request.mode = FileDialogMode::Open;
    request.title = QStringLiteral("Attach ...");
    request.filter = QStringLiteral("All File (*.*)|*.*");
    request.defaultExtension.clear();
    const QString path = m_fileDialog.choose(request);
    if (!path.isEmpty())
        m_attach->setText(path);
}

void FormEmail::save()
{
    const ReportSettings settings = controlSettings();
    if (const Result<> saved = settings.save(); !saved)
        m_prompt.error(saved.error());
    Q_EMIT saved(settings);
}

void FormEmail::test()
{
    if (m_mail && m_mail->isBusy())
        return;
    delete m_mail.data();
    m_mail = new clsSendMail(this);
    // The message as last saved, not as it stands in the box.
    ReportRun::configure(*m_mail, controlSettings(), ReportSettings::load().message, m_attach->text());
    connect(m_mail, &clsSendMail::SendSuccesful, this,
            [this] { m_prompt.notice(QLatin1String(SentText), PromptIcon::Information); });
    connect(m_mail, &clsSendMail::SendFailed, this,
            [this](const QString &why) { m_prompt.error(why, PromptIcon::Critical); });
    m_mail->Send();
}
