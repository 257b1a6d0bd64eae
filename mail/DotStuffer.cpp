#include "mail/DotStuffer.h"

QByteArray DotStuffer::stuff(const QByteArray &bytes)
{
    QByteArray out;
    out.reserve(bytes.size() + 16);
    for (const char c : bytes) {
        if (m_atLineStart && c == '.')
            out.append('.');
        out.append(c);
        m_atLineStart = c == '\n';
    }
    return out;
}
