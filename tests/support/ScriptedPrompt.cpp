#include "tests/support/ScriptedPrompt.h"

PromptAnswer ScriptedPrompt::ask(const PromptRequest &request)
{
    m_requests.append(request);
    return m_answers.isEmpty() ? request.defaultAnswer : m_answers.takeFirst();
}

void ScriptedPrompt::reset()
{
    m_answers.clear();
    m_requests.clear();
}
