// Any datagram a host may send back to a node-status query.
#include <cstdint>
#include <cstdlib>

#include "scan/NodeStatusMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    constexpr quint32 host = 0xC6120702; // 198.18.7.2
    const QByteArrayView datagram(reinterpret_cast<const char *>(data), qsizetype(size));
    const NodeStatusReply reply =
        NodeStatusMessage::parseReply(datagram, host, NodeStatusMessage::Port, host);
    if (reply.answered) {
        if (reply.hostName.size() > NodeStatusMessage::NameLength ||
            reply.workgroup.size() > NodeStatusMessage::NameLength || reply.unitIdText().size() != 17)
            std::abort();
    }
    // A reply from anyone but the queried host never counts.
    if (NodeStatusMessage::parseReply(datagram, host + 1, NodeStatusMessage::Port, host).answered)
        std::abort();
    return 0;
}
