#include "ConsolePrompt.h"

#include "TerminalText.h"

#include <cstdio>

PromptAnswer ConsolePrompt::ask(const PromptRequest &request)
{
    // Messages may quote record fields and file names.
    const QString text = TerminalText::printable(request.text, TerminalText::LineBreaks::Keep);
    std::fprintf(stderr, "%s: %s\n", qPrintable(TerminalText::printable(request.title)), qPrintable(text));
    std::fflush(stderr);
    if (request.buttons == PromptButtons::Ok)
        return PromptAnswer::Ok;
    return m_hasAnswer ? m_answer : request.defaultAnswer;
}
