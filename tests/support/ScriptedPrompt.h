#pragma once

#include <QList>

#include "platform/Prompt.h"

// A Prompt that answers from a queue set up in advance and keeps every
// request it was asked, so that tests can assert the exact texts. With an
// empty queue it gives the request's default answer.
class ScriptedPrompt : public Prompt
{
public:
    PromptAnswer ask(const PromptRequest &request) override;

    void queueAnswer(PromptAnswer answer) { m_answers.append(answer); }
    const QList<PromptRequest> &requests() const { return m_requests; }
    PromptRequest lastRequest() const { return m_requests.value(m_requests.size() - 1); }
    void reset();

private:
    QList<PromptAnswer> m_answers;
    QList<PromptRequest> m_requests;
};
