#pragma once

// How the process holds the memory it frees.
namespace ProcessMemory {

// A scan of a large range builds and drops tens of megabytes at once: its
// rows, the statements that write its history, the record store's page
// cache. The C library would hand that memory back to the system after each
// scan and take it again, a page fault at a time, for the next one. The
// watcher and the window scan again and again, so the process keeps the
// memory it freed for its next scan instead: its size stays at its largest
// scan's. Call once, at the start of main().
void keepFreedMemoryForReuse();

} // namespace ProcessMemory
