#pragma once

#include <QByteArray>

// Makes the bytes of a DATA part safe to send: every line that begins with
// "." gets a second "." in front, so that only the closing "." CR LF ends the
// message. Bytes may come in pieces of any size; a line that began in an
// earlier piece is remembered. Lines are expected to end in CR LF.
class DotStuffer
{
public:
    QByteArray stuff(const QByteArray &bytes);
    // True when the bytes so far end with a complete line (or there are none).
    bool atLineStart() const { return m_atLineStart; }

private:
    bool m_atLineStart = true;
};
