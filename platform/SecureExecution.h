#pragma once

#include <sys/auxv.h>

namespace SecureExecution {

// Whether the kernel started this process in secure execution mode: it gained
// privileges on exec (a file capability, set-user-ID or set-group-ID), so the
// user who started it does not own its environment. The C library then ignores
// LD_PRELOAD and its kind; whatever the program itself takes from the
// environment to load or trust must be ignored the same way.
inline bool active()
{
    return getauxval(AT_SECURE) != 0;
}

} // namespace SecureExecution
