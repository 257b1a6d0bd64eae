#pragma once

#include <QDate>
#include <QDialog>
#include <QString>

#include <optional>

class QCheckBox;
class QDateEdit;
class QLineEdit;

// Asks how a finding is acknowledged: a note and, when "Until" is ticked, the
// last day the acknowledgement holds (it holds for ever otherwise). The last
// day cannot lie before today. Widgets carry object names (NoteEdit,
// UntilCheck, UntilDate) for tests.
class AcknowledgeDialog : public QDialog
{
    Q_OBJECT

public:
    struct Answer
    {
        QString note;
        std::optional<QDate> lastDay; // nothing: for ever
    };

    AcknowledgeDialog(const QString &ip, const QString &mac, const QDate &today, QWidget *parent = nullptr);

    Answer answer() const;

    // Runs the dialog modally over parent; nothing when it was cancelled.
    static std::optional<Answer> ask(const QString &ip, const QString &mac, QWidget *parent);

private:
    QLineEdit *m_note;
    QCheckBox *m_untilCheck;
    QDateEdit *m_until;
};
