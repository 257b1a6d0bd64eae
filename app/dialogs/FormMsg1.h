#pragma once

#include <QDialog>

class MessageSender;
class Prompt;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// "Send Message": one text to one computer per "Send", worded by the
// messenger status table; it stays open for further messages. The sender
// and the prompt must outlive it. A send blocks the dialog until smbclient
// ends.
//
// Object names are the control names: lblComputer, txtComputer, Label2,
// Text2 (the message), Command1 (Send), Command3 (Close).
class FormMsg1 : public QDialog
{
    Q_OBJECT

public:
    FormMsg1(MessageSender &sender, Prompt &prompt, const QString &destination, QWidget *parent = nullptr);

    void send();

private:
    MessageSender &m_sender;
    Prompt &m_prompt;
    QLineEdit *m_destination;
    QPlainTextEdit *m_text;
    QPushButton *m_send;
};
