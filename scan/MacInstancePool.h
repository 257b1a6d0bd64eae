#pragma once

#include <QList>
#include <QMutex>
#include <QString>

#include "platform/Result.h"

class MacLibrary;

// Copies of the ARP resolver library for scans that resolve several /24
// networks at once. The library's C interface keeps one table of 256 slots
// per loaded copy and takes no handle, so every network resolved at the same
// time needs a copy of its own.
//
// The copies are loaded in-process with dlmopen (one link-map namespace each)
// rather than run in child processes: the resolver's workers stay threads of
// this process with the capabilities it holds, there is no helper program to
// install and find and no result protocol over pipes, and each copy is
// loaded once and reused for every later network. glibc makes only a handful
// of namespaces (their static TLS is reserved at start-up), so the pool
// grows to at most MaxCopies, as far as loading succeeds, and lives as long
// as the process: detached workers of a copy may outlive its scan.
//
// Threading: any thread; a copy belongs to one taker until it is released.
class MacInstancePool
{
public:
    static constexpr int MaxCopies = 8;

    static MacInstancePool &instance();

    // Up to `wanted` copies that nobody else holds, loading new ones while
    // that works. Fails when not even one is there.
    Result<QList<MacLibrary *>> acquire(int wanted);
    void release(const QList<MacLibrary *> &copies);

private:
    MacInstancePool() = default;

    QMutex m_mutex;
    QList<MacLibrary *> m_free;
    int m_loaded = 0;
    bool m_loadFailed = false; // no namespace left: stop trying for the life of the process
};
