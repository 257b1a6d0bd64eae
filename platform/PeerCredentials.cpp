#include "platform/PeerCredentials.h"

#include <sys/socket.h>
#include <unistd.h>

namespace PeerCredentials {

std::optional<uid_t> userOf(qintptr socketDescriptor)
{
    if (socketDescriptor < 0)
        return std::nullopt;
    ucred credentials{};
    socklen_t size = sizeof(credentials);
    if (::getsockopt(int(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 ||
        size != sizeof(credentials))
        return std::nullopt;
    return credentials.uid;
}

bool isOwnUser(qintptr socketDescriptor)
{
    return userOf(socketDescriptor) == ::geteuid();
}

} // namespace PeerCredentials
