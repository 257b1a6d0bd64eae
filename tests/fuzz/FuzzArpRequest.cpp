// Any bytes that reach netkestrel-arp's input: its line reader and request
// parser, and the engine's reader of the helper's answers.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "mac/helper/ArpClient.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    arpproto::LineReader reader;
    reader.append(reinterpret_cast<const char *>(data), size);
    std::string line;
    bool oversize = false;
    while (reader.next(line, oversize)) {
        if (line.size() > arpproto::maxLineBytes || line.find('\n') != std::string::npos)
            std::abort();
        arpproto::Request request;
        if (arpproto::parseRequest(line, request) == arpproto::Refusal::None &&
            request.kind == arpproto::Kind::Listen) {
            // A listen names an interface and nothing else; what the engine
            // writes for it reads back as the same request.
            std::string again = arpclient::listenLine(request.id, request.interfaceName);
            again.pop_back();
            arpproto::Request reread;
            if (request.id == 0 || !request.addresses.empty() || request.interfaceName.size() > 15 ||
                arpproto::parseRequest(again, reread) != arpproto::Refusal::None || reread.id != request.id ||
                reread.interfaceName != request.interfaceName || reread.kind != arpproto::Kind::Listen)
                std::abort();
        } else if (arpproto::parseRequest(line, request) == arpproto::Refusal::None) {
            const auto &a = request.addresses;
            if (request.id == 0 || a.empty() || a.size() > arpproto::maxAddresses ||
                request.interfaceName.size() > 15 ||
                std::adjacent_find(a.begin(), a.end(), std::greater_equal<>()) != a.end())
                std::abort();
            // What the engine writes for it reads back as the same request.
            std::string again = arpclient::requestLine(request.kind, request.id, request.interfaceName,
                                                       request.timeoutMs, request.pacingUs, a);
            again.pop_back();
            arpproto::Request reread;
            if (again.size() <= arpproto::maxLineBytes &&
                (arpproto::parseRequest(again, reread) != arpproto::Refusal::None || reread.addresses != a ||
                 reread.timeoutMs != request.timeoutMs || reread.pacingUs != request.pacingUs))
                std::abort();
        }
        arpclient::Answer answer;
        if (arpclient::parseAnswer(line, answer) && answer.type == arpclient::Answer::Type::Error &&
            answer.code.size() > 16)
            std::abort();
    }
    return 0;
}
