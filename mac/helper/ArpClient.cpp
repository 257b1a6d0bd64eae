#include "mac/helper/ArpClient.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace arpclient {

namespace {

// A helper that takes no request for this long has stopped reading.
constexpr int sendLimitMs = 1000;
constexpr std::string_view helperName = "netkestrel-arp";

std::string folderOfPath(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

} // namespace

namespace {

// "00-0A-E4-20-53-55" into six octets.
bool parseMac(std::string_view text, unsigned char *mac)
{
    if (text.size() != 17)
        return false;
    for (int i = 0; i < 6; ++i) {
        unsigned value = 0;
        for (int k = 0; k < 2; ++k) {
            const char c = text[std::size_t(i * 3 + k)];
            const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (digit < 0)
                return false;
            value = value * 16 + unsigned(digit);
        }
        if (i < 5 && text[std::size_t(i * 3 + 2)] != '-')
            return false;
        mac[i] = static_cast<unsigned char>(value);
    }
    return true;
}

// "heard ID KIND ADDRESS MAC" after its ID; the address in the form its
// family's kinds call for, written again in the canonical form.
bool parseHeard(std::string_view rest, Answer &answer)
{
    std::string_view kind, address, mac;
    if (!arpproto::nextWord(rest, kind) || !arpproto::nextWord(rest, address) ||
        !arpproto::nextWord(rest, mac) || !rest.empty() || !arpproto::parseHeardWord(kind, answer.heard) ||
        !parseMac(mac, answer.mac))
        return false;
    answer.type = Answer::Type::Heard;
    if (answer.heard < arpproto::Heard::Solicitation) {
        std::uint32_t quad = 0;
        if (!arpproto::parseAddress(address, quad))
            return false;
        answer.addressText = arpproto::addressText(quad);
        return true;
    }
    char text[INET6_ADDRSTRLEN]{};
    in6_addr binary{};
    if (address.size() >= sizeof text)
        return false;
    std::memcpy(text, address.data(), address.size());
    if (inet_pton(AF_INET6, text, &binary) != 1 || !inet_ntop(AF_INET6, &binary, text, sizeof text))
        return false;
    answer.addressText = text;
    return true;
}

} // namespace

bool parseAnswer(std::string_view line, Answer &answer)
{
    answer = Answer();
    std::string_view verb, id, third, fourth;
    if (!arpproto::nextWord(line, verb) || !arpproto::nextWord(line, id) ||
        !arpproto::parseNumber(id, answer.id))
        return false;
    if (verb == "done" || verb == "listening") {
        answer.type = verb == "done" ? Answer::Type::Done : Answer::Type::Listening;
        return line.empty();
    }
    if (verb == "heard")
        return parseHeard(line, answer);
    if (verb == "dropped") {
        answer.type = Answer::Type::Dropped;
        return arpproto::nextWord(line, third) && line.empty() && arpproto::parseNumber(third, answer.count);
    }
    if (verb == "error") {
        answer.type = Answer::Type::Error;
        if (!arpproto::nextWord(line, third) || !line.empty() || third.size() > 16)
            return false;
        answer.code = std::string(third);
        return true;
    }
    if (verb != "mac" || !arpproto::nextWord(line, third) || !arpproto::nextWord(line, fourth) ||
        !line.empty() || !arpproto::parseAddress(third, answer.address) || !parseMac(fourth, answer.mac))
        return false;
    answer.type = Answer::Type::Mac;
    return true;
}

std::string requestLine(arpproto::Kind kind, std::uint32_t id, std::string_view interfaceName,
                        std::uint32_t timeoutMs, std::uint32_t pacingUs,
                        const std::vector<std::uint32_t> &addresses)
{
    if (addresses.empty())
        return {};
    std::string line = kind == arpproto::Kind::Resolve ? "resolve " : "sweep ";
    line += std::to_string(id) + ' ' + std::string(interfaceName) + ' ';
    if (kind == arpproto::Kind::Sweep)
        line += std::to_string(pacingUs) + ' ';
    line += std::to_string(timeoutMs) + ' ';
    std::vector<std::uint32_t> sorted = addresses;
    std::sort(sorted.begin(), sorted.end());
    for (std::size_t i = 0; i < sorted.size();) {
        std::size_t end = i;
        while (end + 1 < sorted.size() && sorted[end + 1] <= sorted[end] + 1)
            ++end;
        line += arpproto::addressText(sorted[i]);
        if (sorted[end] != sorted[i])
            line += '-' + arpproto::addressText(sorted[end]);
        line += end + 1 < sorted.size() ? ',' : '\n';
        i = end + 1;
    }
    return line;
}

std::string listenLine(std::uint32_t id, std::string_view interfaceName)
{
    return "listen " + std::to_string(id) + ' ' + std::string(interfaceName) + '\n';
}

std::vector<std::string> helperPaths(const std::string &folder)
{
    std::vector<std::string> paths;
    if (!folder.empty())
        paths.push_back(folder + '/' + std::string(helperName));
    paths.emplace_back(NETKESTREL_ARP_HELPER);
    return paths;
}

std::string folderOfCode(const void *code)
{
    Dl_info info{};
    if (dladdr(code, &info) == 0 || !info.dli_fname || info.dli_fname[0] != '/')
        return {};
    return folderOfPath(info.dli_fname);
}

std::string programFolder()
{
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? folderOfPath(std::string(path, std::size_t(length))) : std::string();
}

std::unique_ptr<HelperProcess> HelperProcess::start(
    const std::vector<std::string> &paths, std::chrono::milliseconds greetingLimit, StartError *error)
{
    *error = StartError::Missing;
    const auto found = std::find_if(paths.begin(), paths.end(),
                                    [](const std::string &path) { return access(path.c_str(), X_OK) == 0; });
    if (found == paths.end())
        return nullptr;
    *error = StartError::Refused;
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return nullptr;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    char *const arguments[] = {const_cast<char *>(found->c_str()), nullptr};
    char *const environment[] = {nullptr};
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, found->c_str(), &actions, nullptr, arguments, environment);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    if (spawned != 0) {
        close(ends[0]);
        return nullptr;
    }
    fcntl(ends[0], F_SETFL, fcntl(ends[0], F_GETFL) | O_NONBLOCK);
    std::unique_ptr<HelperProcess> helper(new HelperProcess(ends[0], pid));

    const auto until = std::chrono::steady_clock::now() + greetingLimit;
    std::vector<std::string> lines;
    while (lines.empty()) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        pollfd waiting{helper->m_fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&waiting, 1, int(left.count())) == 0 || !helper->read(lines))
            break;
    }
    if (lines.empty() || lines.front() != arpproto::greeting)
        return nullptr;
    *error = StartError::None;
    return helper;
}

HelperProcess::~HelperProcess()
{
    close(m_fd);
    // It ends at the end of its input anyway; one that hangs must not hang us.
    kill(m_pid, SIGKILL);
    while (waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

bool HelperProcess::send(const std::string &line)
{
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t sent = ::send(m_fd, line.data() + done, line.size() - done, MSG_NOSIGNAL);
        if (sent > 0) {
            done += std::size_t(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        pollfd waiting{m_fd, POLLOUT, 0};
        if (sent == 0 || (errno != EAGAIN && errno != EWOULDBLOCK) || poll(&waiting, 1, sendLimitMs) <= 0)
            return false;
    }
    return true;
}

bool HelperProcess::read(std::vector<std::string> &lines)
{
    for (;;) {
        char bytes[16384];
        const ssize_t got = recv(m_fd, bytes, sizeof bytes, MSG_DONTWAIT);
        if (got == 0)
            return false;
        if (got < 0)
            return errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK;
        m_reader.append(bytes, std::size_t(got));
        std::string line;
        bool oversize = false;
        while (m_reader.next(line, oversize)) {
            if (!oversize)
                lines.push_back(std::move(line));
        }
    }
}

void HelperProcess::shutdown()
{
    ::shutdown(m_fd, SHUT_RDWR);
}

} // namespace arpclient
