#pragma once

#include <QList>

#include "platform/DesktopServices.h"

// Records what was opened and answers with a set outcome, so that tests see
// which URL or file a command handed to the desktop.
class ScriptedDesktopServices : public DesktopServices
{
public:
    bool openUrl(const QUrl &url) override
    {
        m_opened.append(url);
        return m_answer;
    }

    void setAnswer(bool opened) { m_answer = opened; }
    const QList<QUrl> &opened() const { return m_opened; }

private:
    QList<QUrl> m_opened;
    bool m_answer = true;
};
