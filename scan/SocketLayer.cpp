#include "scan/SocketLayer.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

Result<> StartWinsock()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (fd < 0)
        return Failure{QStringLiteral("The 32-bit Windows Socket is not responding.")};
    ::close(fd);
    return {};
}

quint32 ParseAddress(const QString &text)
{
    // inet_addr stops at the first blank and accepts what came before it;
    // an address text here is the whole text or nothing.
    const bool plain = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.isDigit() || c == QLatin1Char('.') || c == QLatin1Char('x') || c == QLatin1Char('X') ||
               (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f'));
    });
    if (!plain)
        return INADDR_NONE;
    return ::inet_addr(text.toLatin1().constData());
}
