#pragma once

#include <QDialog>
#include <QPointer>

#include "mail/ReportSettings.h"

class FileDialog;
class Prompt;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class clsSendMail;

// "Email Options": the daily report's settings. Opens with the stored values;
// Save writes them and hands them to the window (saved()); Test sends one
// mail at once with the values now in the controls, the attachment chosen
// with Browse..., and the Message as last saved, and says how it went in a
// message box. The test mail's sender belongs to the dialog.
class FormEmail : public QDialog
{
    Q_OBJECT

public:
    static constexpr const char *SentText = "Message is sent";
    static constexpr const char *SenderExample = "Sender Email: (kestrel@example.com)";

    FormEmail(Prompt &prompt, FileDialog &fileDialog, QWidget *parent = nullptr);
    ~FormEmail() override;

    // The settings as the controls show them (the password included).
    ReportSettings controlSettings() const;

Q_SIGNALS:
    void saved(const ReportSettings &settings);

private:
    void build();
    void load(const ReportSettings &settings);
    void browse();
    void save();
    void test();

    Prompt &m_prompt;
    FileDialog &m_fileDialog;
    QPointer<clsSendMail> m_mail;

    QLineEdit *m_host = nullptr;
    QSpinBox *m_port = nullptr;
    QComboBox *m_encryption = nullptr;
    QLineEdit *m_caFile = nullptr;
    QLineEdit *m_user = nullptr;
    QLineEdit *m_pass = nullptr;
    QLineEdit *m_sender = nullptr;
    QCheckBox *m_auth = nullptr;
    QLineEdit *m_recipient = nullptr;
    QLineEdit *m_subject = nullptr;
    QPlainTextEdit *m_message = nullptr;
    QLineEdit *m_attach = nullptr;
    QCheckBox *m_send = nullptr;
    QComboBox *m_hour = nullptr;
    QComboBox *m_minute = nullptr;
    QCheckBox *m_skipEmpty = nullptr;
};
