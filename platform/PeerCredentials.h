#pragma once

#include <QtGlobal>

#include <optional>
#include <sys/types.h>

// Who is at the other end of a connected local (Unix) socket: the user the
// kernel recorded when that process connected, or began to listen. The peer
// can neither forge it nor change it afterwards, unlike anything it writes.
namespace PeerCredentials {

// Nothing when the descriptor is not a connected local socket.
std::optional<uid_t> userOf(qintptr socketDescriptor);

// The peer runs as this process's effective user.
bool isOwnUser(qintptr socketDescriptor);

} // namespace PeerCredentials
