#pragma once

// The engine's side of netkestrel-arp (the helper that holds CAP_NET_RAW,
// see netkestrel-arp.cpp): starting it, writing requests, reading answers.
// Plain C++ on the C library alone, for libmac and the scan engine both.

#include "mac/helper/ArpProtocol.h"

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace arpclient {

// An answer of the helper.
struct Answer
{
    enum class Type { Mac, Done, Error, Listening, Heard, Dropped } type = Type::Done;
    std::uint32_t id = 0;
    std::uint32_t address = 0; // Mac: host byte order
    unsigned char mac[6]{};    // Mac, Heard
    std::string code;          // Error: interface, off-link, too-large, malformed, permission
    arpproto::Heard heard = arpproto::Heard::ArpRequest; // Heard
    std::string addressText; // Heard: a dotted quad, or IPv6 in its compressed form
    std::uint32_t count = 0; // Dropped
};

bool parseAnswer(std::string_view line, Answer &answer);

// A request line, newline included; addresses in host byte order, any
// order, runs of consecutive ones written as ranges. Empty when addresses
// is empty.
std::string requestLine(arpproto::Kind kind, std::uint32_t id, std::string_view interfaceName,
                        std::uint32_t timeoutMs, std::uint32_t pacingUs,
                        const std::vector<std::uint32_t> &addresses);

// "listen ID IFNAME\n".
std::string listenLine(std::uint32_t id, std::string_view interfaceName);

// Where the helper is looked for: in folder (the one of the calling program
// or library, so a build tree uses its own), then where it is installed.
// Never anywhere the environment names.
std::vector<std::string> helperPaths(const std::string &folder);
// The folder of the file that holds code (dladdr), or of this program.
std::string folderOfCode(const void *code);
std::string programFolder();

// One running helper, spoken to through a socketpair.
//
// Threading: send() may run on any thread (one at a time); read() on one.
class HelperProcess
{
public:
    enum class StartError { None, Missing, Refused };

    // Starts the first helper of paths that exists and waits up to
    // greetingLimit for its greeting. nullptr when none exists (Missing), or
    // it answers otherwise, fails or stays silent (Refused).
    static std::unique_ptr<HelperProcess> start(const std::vector<std::string> &paths,
                                                std::chrono::milliseconds greetingLimit, StartError *error);
    // Closes the connection, ends the helper and collects it.
    ~HelperProcess();
    HelperProcess(const HelperProcess &) = delete;
    HelperProcess &operator=(const HelperProcess &) = delete;

    int fd() const { return m_fd; }

    // Writes the whole line; false when the helper is gone or has not taken
    // it within a second (it no longer reads).
    bool send(const std::string &line);

    // Reads what has arrived (never blocks) and appends the complete lines
    // to lines; a line over the limit is dropped. False once the helper is
    // gone.
    bool read(std::vector<std::string> &lines);

    // Wakes a thread that waits in poll() on fd(): the connection ends.
    void shutdown();

private:
    HelperProcess(int fd, pid_t pid) : m_fd(fd), m_pid(pid) {}

    int m_fd;
    pid_t m_pid;
    arpproto::LineReader m_reader;
};

} // namespace arpclient
