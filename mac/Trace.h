#pragma once

#include <string_view>

namespace mac {

// With NETKESTREL_MAC_TRACE set (to anything non-empty) in the environment,
// each worker writes one line "mac-trace ADDRESS PATH RESULT" to stderr, so
// tests can see which resolution path ran. Silent otherwise.
void traceWorker(std::string_view address, std::string_view path, std::string_view result);

} // namespace mac
