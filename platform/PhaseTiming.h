#pragma once

// Where a command's time goes. With NETKESTREL_TIMING set (to anything
// non-empty) in the environment, each mark writes "timing MS PHASE" to
// standard error: MS is the time since the first mark (main), to a tenth of
// a millisecond; the loader's share before main is what a bare --help
// takes. Silent and nearly free otherwise. Any thread.
namespace PhaseTiming {

void mark(const char *phase);

} // namespace PhaseTiming
