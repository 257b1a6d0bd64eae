#include "cli/ConsolePrompt.h"

#include "platform/TerminalText.h"

#include <cstdio>

void ConsolePrompt::print(const QString &title, const QString &text)
{
    // Messages may quote record fields, host names and file names.
    const QString lines = TerminalText::printable(text, TerminalText::LineBreaks::Keep);
    std::fprintf(stderr, "%s: %s\n", qPrintable(TerminalText::printable(title)), qPrintable(lines));
    std::fflush(stderr);
}

PromptAnswer ConsolePrompt::ask(const PromptRequest &request)
{
    print(request.title, request.text);
    if (request.buttons == PromptButtons::Ok)
        return PromptAnswer::Ok;
    return m_hasAnswer ? m_answer : request.defaultAnswer;
}
