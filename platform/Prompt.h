#pragma once

#include <QString>

// Every question and message to the user goes through a Prompt. Only the
// front ends implement it: the window answers with a message box, the command
// line from its flags (tests use ScriptedPrompt from tests/support). The
// engine asks through it and never implements it. Titles and texts are the
// program's own words, byte for byte.
enum class PromptIcon { None, Information, Exclamation, Question, Critical };
enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class PromptAnswer { Ok, Cancel, Yes, No, Retry };

struct PromptRequest
{
    QString title;
    QString text;
    PromptButtons buttons = PromptButtons::Ok;
    PromptAnswer defaultAnswer = PromptAnswer::Ok;
    PromptIcon icon = PromptIcon::None;
};

class Prompt
{
public:
    static constexpr const char *NoticeTitle = "Notice";
    static constexpr const char *ErrorTitle = "Error";

    virtual ~Prompt() = default;
    virtual PromptAnswer ask(const PromptRequest &request) = 0;

    // An OK box titled "Notice" (warnings, refusals, completions).
    void notice(const QString &text, PromptIcon icon = PromptIcon::Exclamation);
    // An OK box titled "Error" (validation failures and errors).
    void error(const QString &text, PromptIcon icon = PromptIcon::Exclamation);
};
