#include "scan/NodeStatusProbe.h"

#include <QElapsedTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "lists/ScanRow.h"
#include "scan/NeighbourTable.h"
#include "scan/NodeStatusMessage.h"
#include "scan/SocketLayer.h"

namespace {

// Sends the query and waits for the queried host's answer; datagrams from
// elsewhere are read and dropped while the time lasts.
NodeStatusReply askHost(int fd, quint32 address, QString *shownMac)
{
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(NodeStatusMessage::Port);
    to.sin_addr.s_addr = htonl(address);
    const QByteArray query = NodeStatusMessage::request();
    if (::sendto(fd, query.constData(), size_t(query.size()), 0, reinterpret_cast<sockaddr *>(&to),
                 sizeof to) < 0)
        return {};

    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const qint64 left = NodeStatusMessage::AnswerTimeMs - clock.elapsed();
        if (left <= 0)
            return {};
        pollfd waiting{fd, POLLIN, 0};
        const int ready = ::poll(&waiting, 1, int(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return {};
        char buffer[NodeStatusMessage::ReceiveSize] = {};
        sockaddr_in from{};
        socklen_t fromSize = sizeof from;
        const ssize_t got = ::recvfrom(fd, buffer, sizeof buffer, MSG_DONTWAIT,
                                       reinterpret_cast<sockaddr *>(&from), &fromSize);
        if (got < 0)
            continue;
        const quint32 source = ntohl(from.sin_addr.s_addr);
        const quint16 port = ntohs(from.sin_port);
        if (source != address || port != NodeStatusMessage::Port)
            continue; // a late answer of another host, or a stranger
        const NodeStatusReply reply =
            NodeStatusMessage::parseReply(QByteArrayView(buffer, got), source, port, address);
        if (reply.answered)
            *shownMac = NeighbourTable::shownMac(reply, source);
        return reply;
    }
}

} // namespace

void NodeStatusProbe(const QString &address, int showSilent, NodeStatusResults &results, int &foundCount)
{
    results = {};
    NodeStatusReply reply;
    QString mac;
    const quint32 parsed = ParseAddress(address);
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_UDP);
    if (fd >= 0) {
        if (parsed != INADDR_NONE)
            reply = askHost(fd, ntohl(parsed), &mac);
        ::close(fd);
    }
    if (reply.answered) {
        results.mac = mac;
        results.hostName = reply.hostName;
        results.workgroup = reply.workgroup;
        ++foundCount;
    } else if (showSilent == 1) {
        results.mac = QLatin1String(ScanRow::NonRespondedMarker);
    }
}
