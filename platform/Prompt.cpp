#include "platform/Prompt.h"

void Prompt::notice(const QString &text, PromptIcon icon)
{
    ask({QLatin1String(NoticeTitle), text, PromptButtons::Ok, PromptAnswer::Ok, icon});
}

void Prompt::error(const QString &text, PromptIcon icon)
{
    ask({QLatin1String(ErrorTitle), text, PromptButtons::Ok, PromptAnswer::Ok, icon});
}
