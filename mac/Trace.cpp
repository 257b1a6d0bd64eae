#include "mac/Trace.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace mac {

void traceWorker(std::string_view address, std::string_view path, std::string_view result)
{
    static const bool enabled = [] {
        const char *value = std::getenv("NETKESTREL_MAC_TRACE");
        return value && *value;
    }();
    if (!enabled)
        return;
    std::string line = "mac-trace ";
    line.append(address).append(" ").append(path).append(" ").append(result).append("\n");
    [[maybe_unused]] const ssize_t written =
        write(STDERR_FILENO, line.data(), line.size()); // one write: no interleaving
}

} // namespace mac
