#pragma once

#include <QString>

// Text for a terminal, a status line or a log that may have come from the
// network or a file (host names, workgroups, vendors, record fields, findings,
// mail server replies). Control characters would let such text forge output
// lines or drive the terminal (escape sequences, carriage returns,
// bidirectional overrides), so each one is shown as a visible escape instead:
// \r, \n and \t as such, any other as \xHH (up to U+00FF) or \uHHHH.
// Backslashes are left alone, so a name that holds "\n" as two characters
// reads the same as an escaped line break.
namespace TerminalText {

enum class LineBreaks {
    Escape, // one field of a line: a line break inside it is shown as \n
    Keep    // a message of several lines: LF stays, CR LF becomes LF
};

QString printable(const QString &text, LineBreaks lineBreaks = LineBreaks::Escape);

} // namespace TerminalText
