#pragma once

#include <QDialog>

#include <memory>

#include "app/widgets/BusyCursor.h"
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
class FormMsg1 : public QDialog
{
    Q_OBJECT

public:
    FormMsg1(const MessageSender &sender, Prompt &prompt, WorkRunner &work, const QString &destination,
             QWidget *parent = nullptr);

    void send();
    bool isRunning() const { return m_busy != nullptr; }

public Q_SLOTS:
    void reject() override;

private:
    void sent(const SendOutcome &result);
    void setControlsEnabled(bool on);

    MessageSender m_sender;
    WorkRunner &m_work;
    std::unique_ptr<BusyCursor> m_busy;
    Prompt &m_prompt;
    QLineEdit *m_destination;
    QPlainTextEdit *m_text;
    QPushButton *m_send;
};
