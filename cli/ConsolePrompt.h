#pragma once

#include "platform/Prompt.h"

// The command line's prompt: messages go to standard error as "Title: text";
// questions take the answer the command chose from its flags, else the
// question's default answer.
class ConsolePrompt : public Prompt
{
public:
    PromptAnswer ask(const PromptRequest &request) override;
    // A message as ask() shows it, for the engine's reports by signal.
    static void print(const QString &title, const QString &text);

    void setAnswer(PromptAnswer answer)
    {
        m_answer = answer;
        m_hasAnswer = true;
    }

private:
    PromptAnswer m_answer = PromptAnswer::Ok;
    bool m_hasAnswer = false;
};
