#include "ConsolePrompt.h"

#include <cstdio>

void ConsolePrompt::print(const QString &title, const QString &text)
{
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(lines));
    std::fflush(stderr);
}

PromptAnswer ConsolePrompt::ask(const PromptRequest &request)
{
    print(request.title, request.text);
    if (request.buttons == PromptButtons::Ok)
        return PromptAnswer::Ok;
    return m_hasAnswer ? m_answer : request.defaultAnswer;
}
