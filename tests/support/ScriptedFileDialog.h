#pragma once

#include <QList>
#include <QStringList>

#include "platform/FileDialog.h"

// Answers file dialogs in advance, in order, and records every request so that
// tests can assert titles, filters and modes. With no answer left it answers
// as a cancelled dialog (an empty text).
class ScriptedFileDialog : public FileDialog
{
public:
    QString choose(const FileDialogRequest &request) override
    {
        m_requests.append(request);
        return m_answers.isEmpty() ? QString() : m_answers.takeFirst();
    }

    void answer(const QString &path) { m_answers.append(path); }
    void cancel() { m_answers.append(QString()); }
    const QList<FileDialogRequest> &requests() const { return m_requests; }
    int unanswered() const { return int(m_answers.size()); }

private:
    QStringList m_answers;
    QList<FileDialogRequest> m_requests;
};
