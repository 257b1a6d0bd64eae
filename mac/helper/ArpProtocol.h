#pragma once

// The line protocol between the engine and netkestrel-arp, the one program
// that holds CAP_NET_RAW (netkestrel-arp.cpp describes it): what the helper
// reads. Plain C++ on the C library alone.

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace arpproto {

inline constexpr std::string_view greeting = "netkestrel-arp 1";

// Limits: a line of a few hundred ranges, far more than the engine writes;
// a /16, the largest range the program scans; waits beyond 10 s find nothing
// more; a pacing beyond 1 s would keep a sweep of a /16 running for a day.
inline constexpr std::size_t maxLineBytes = 4096;
inline constexpr std::uint32_t maxAddresses = 65536;
inline constexpr std::uint32_t maxTimeoutMs = 10000;
inline constexpr std::uint32_t maxPacingUs = 1000000;

enum class Kind { Resolve, Sweep, Listen };

// What a heard frame was, as the helper names it in its "heard" lines.
enum class Heard {
    ArpRequest,
    ArpReply,
    ArpProbe,
    ArpAnnouncement,
    Solicitation,
    Advertisement,
    DuplicateCheck
};
std::string_view heardWord(Heard kind);
bool parseHeardWord(std::string_view word, Heard &kind);

// A request, its addresses in host byte order, sorted and without repeats.
struct Request
{
    Kind kind = Kind::Resolve;
    std::uint32_t id = 0; // 1 and up; 0 when none could be read
    std::string interfaceName;
    std::uint32_t timeoutMs = 0;          // resolve: the whole request; sweep: the wait after the last send
    std::uint32_t pacingUs = 0;           // sweep only
    std::vector<std::uint32_t> addresses; // empty for listen
};

enum class Refusal { None, Malformed, TooLarge };

// Reads one request line (without its newline). On a refusal, request.id
// holds the ID when the line began with a readable one, else 0.
Refusal parseRequest(std::string_view line, Request &request);

// What the kernel accepts as an interface name: 1 to 15 bytes of letters,
// digits and a few marks.
bool isInterfaceName(std::string_view name);

// The next word of rest (split at single spaces), a decimal 32-bit number.
bool nextWord(std::string_view &rest, std::string_view &word);
bool parseNumber(std::string_view text, std::uint32_t &value);

// "198.18.7.2" (host byte order), "00-0A-E4-20-53-55"; parseAddress is
// false when text is not a dotted quad.
std::string addressText(std::uint32_t address);
bool parseAddress(std::string_view text, std::uint32_t &address);
std::string macText(const unsigned char *mac);

// Hands out the complete lines of a stream. A line over maxLineBytes is cut
// there and flagged, its rest skipped up to its newline.
class LineReader
{
public:
    void append(const char *bytes, std::size_t length);
    // The next complete line (without newline); oversize says it was cut.
    bool next(std::string &line, bool &oversize);

private:
    std::string m_pending;
    std::deque<std::pair<std::string, bool>> m_lines;
    bool m_skipping = false;
};

} // namespace arpproto
