#include "ConsolePrompt.h"

#include <cstdio>

PromptAnswer ConsolePrompt::ask(const PromptRequest &request)
{
    QString text = request.text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    std::fprintf(stderr, "%s: %s\n", qPrintable(request.title), qPrintable(text));
    std::fflush(stderr);
    if (request.buttons == PromptButtons::Ok)
        return PromptAnswer::Ok;
    return m_hasAnswer ? m_answer : request.defaultAnswer;
}
