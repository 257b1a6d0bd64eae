#include "mac/helper/ArpProtocol.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace arpproto {

namespace {

Refusal parseAddresses(std::string_view text, std::vector<std::uint32_t> &addresses)
{
    if (text.empty() || text.back() == ',')
        return Refusal::Malformed;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        const std::size_t dash = item.find('-');
        std::uint32_t first = 0, last = 0;
        if (!parseAddress(item.substr(0, dash), first) ||
            !parseAddress(dash == std::string_view::npos ? item : item.substr(dash + 1), last) ||
            last < first)
            return Refusal::Malformed;
        if (std::uint64_t(last) - first + 1 > maxAddresses - addresses.size())
            return Refusal::TooLarge;
        for (std::uint64_t a = first; a <= last; ++a)
            addresses.push_back(std::uint32_t(a));
    }
    std::sort(addresses.begin(), addresses.end());
    addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
    return Refusal::None;
}

// The ID that a line names (its second word), 0 when it names none.
std::uint32_t leadingId(std::string_view line)
{
    std::string_view word;
    std::uint32_t id = 0;
    if (!nextWord(line, word) || !nextWord(line, word) || !parseNumber(word, id))
        return 0;
    return id;
}

// "listen ID IFNAME": nothing follows the name.
Refusal parseListen(std::string_view rest, Request &request)
{
    std::string_view id, name;
    request.kind = Kind::Listen;
    if (request.id == 0 || !nextWord(rest, id) || !nextWord(rest, name) || !rest.empty() ||
        !isInterfaceName(name))
        return Refusal::Malformed;
    request.interfaceName = std::string(name);
    return Refusal::None;
}

// In the order of Heard.
constexpr std::string_view heardWords[] = {"arp-request", "arp-reply", "arp-probe", "arp-announcement",
                                           "ns",          "na",        "dad"};

} // namespace

std::string_view heardWord(Heard kind)
{
    return heardWords[std::size_t(kind)];
}

bool parseHeardWord(std::string_view word, Heard &kind)
{
    const auto found = std::find(std::begin(heardWords), std::end(heardWords), word);
    kind = Heard(found - std::begin(heardWords));
    return found != std::end(heardWords);
}

bool isInterfaceName(std::string_view name)
{
    constexpr std::string_view allowed = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_.@";
    return !name.empty() && name.size() <= 15 && name.find_first_not_of(allowed) == std::string_view::npos;
}

bool nextWord(std::string_view &rest, std::string_view &word)
{
    if (rest.empty())
        return false;
    const std::size_t space = rest.find(' ');
    word = rest.substr(0, space);
    rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
    return !word.empty();
}

bool parseNumber(std::string_view text, std::uint32_t &value)
{
    const char *end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return !text.empty() && text.size() <= 10 && error == std::errc() && stop == end;
}

bool parseAddress(std::string_view text, std::uint32_t &address)
{
    std::uint32_t result = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = part < 3 ? text.find('.') : text.size();
        if (dot == std::string_view::npos || dot == 0 || dot > 3)
            return false;
        std::uint32_t octet = 0;
        if (!parseNumber(text.substr(0, dot), octet) || octet > 255)
            return false;
        result = result << 8 | octet;
        text.remove_prefix(part < 3 ? dot + 1 : dot);
    }
    address = result;
    return text.empty();
}

Refusal parseRequest(std::string_view line, Request &request)
{
    request = Request();
    request.id = leadingId(line);
    if (line.starts_with("listen "))
        return parseListen(line.substr(7), request);
    std::string_view verb, id, name, first, second, addresses;
    if (!nextWord(line, verb) || !nextWord(line, id) || !nextWord(line, name) || !nextWord(line, first))
        return Refusal::Malformed;
    if (verb == "resolve")
        request.kind = Kind::Resolve;
    else if (verb == "sweep" && nextWord(line, second))
        request.kind = Kind::Sweep;
    else
        return Refusal::Malformed;
    if (request.id == 0 || !isInterfaceName(name) || !nextWord(line, addresses) || !line.empty())
        return Refusal::Malformed;
    request.interfaceName = std::string(name);
    if (request.kind == Kind::Resolve) {
        if (!parseNumber(first, request.timeoutMs) || request.timeoutMs == 0 ||
            request.timeoutMs > maxTimeoutMs)
            return Refusal::Malformed;
    } else if (!parseNumber(first, request.pacingUs) || request.pacingUs > maxPacingUs ||
               !parseNumber(second, request.timeoutMs) || request.timeoutMs > maxTimeoutMs) {
        return Refusal::Malformed;
    }
    return parseAddresses(addresses, request.addresses);
}

std::string addressText(std::uint32_t address)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address >> 24, address >> 16 & 0xFF, address >> 8 & 0xFF,
                  address & 0xFF);
    return text;
}

std::string macText(const unsigned char *mac)
{
    char text[18];
    std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", mac[0], mac[1], mac[2], mac[3], mac[4],
                  mac[5]);
    return text;
}

void LineReader::append(const char *bytes, std::size_t length)
{
    std::string_view rest(bytes, length);
    while (!rest.empty()) {
        const std::size_t newline = rest.find('\n');
        const std::string_view piece = rest.substr(0, newline);
        if (!m_skipping) {
            const std::size_t room = maxLineBytes - m_pending.size();
            m_pending.append(piece.substr(0, room));
            if (piece.size() > room) {
                m_lines.emplace_back(std::move(m_pending), true);
                m_pending.clear();
                m_skipping = true;
            }
        }
        if (newline == std::string_view::npos)
            return;
        if (!m_skipping)
            m_lines.emplace_back(std::move(m_pending), false);
        m_pending.clear();
        m_skipping = false;
        rest.remove_prefix(newline + 1);
    }
}

bool LineReader::next(std::string &line, bool &oversize)
{
    if (m_lines.empty())
        return false;
    line = std::move(m_lines.front().first);
    oversize = m_lines.front().second;
    m_lines.pop_front();
    return true;
}

} // namespace arpproto
