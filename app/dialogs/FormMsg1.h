#pragma once

#include <QDialog>

#include <memory>

#include "app/widgets/WorkingDialog.h"
#include "tools/MessageSender.h"

class Prompt;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class WorkRunner;

// "Send Message": one text to one computer per "Send", worded by the
// messenger status table; it stays open for further messages. The prompt
// and the work runner must outlive it. smbclient runs on the work runner:
// the window keeps repainting while the dialog's controls are disabled and
// closing it is refused until smbclient ends.
//
// Object names are the control names: lblComputer, txtComputer, Label2,
// Text2 (the message), Command1 (Send), Command3 (Close).
class FormMsg1 : public WorkingDialog
{
    Q_OBJECT

public:
    FormMsg1(const MessageSender &sender, Prompt &prompt, WorkRunner &work, const QString &destination,
             QWidget *parent = nullptr);

    void send();

public Q_SLOTS:

private:
    void sent(const SendOutcome &result);

    MessageSender m_sender;
    WorkRunner &m_work;
    Prompt &m_prompt;
    QLineEdit *m_destination;
    QPlainTextEdit *m_text;
    QPushButton *m_send;
};
