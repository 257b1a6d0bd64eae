// Test helper: loads libmac.so by path, as the program does, runs one scan
// (or two back to back) and prints "ADDRESS MAC" for every answered slot, in
// slot order. Links nothing but libc and libdl.
//
//   mac_probe LIBRARY PREFIX FROM TO [--pace MS] [--timeout MS]
//             [--bounds LOWER COUNT] [--then FROM TO] [--blocks N]
//
// --bounds copies with a descriptor of COUNT elements from index LOWER; an
//   element outside 0..255 that is not all zero is reported as "BAD ...".
// --then starts a second scan right after the first, and reads the table once
//   the first scan's workers must have finished too.
// --blocks scans FROM..TO of N networks in a row, PREFIX's third octet and
//   the N - 1 after it, one after the other in one process, each read once
//   its workers have finished.
// Exit 0 on success, 2 on bad arguments or a library that does not load,
// 3 when workers do not finish in time.
#include "mac/mac.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Library
{
    decltype(&Therad) therad;
    decltype(&revData) copyTable;
    decltype(&SetTheradPacing) setPacing;
    decltype(&SetArpTimeout) setTimeout;
    decltype(&PendingWorkers) pending;
};

template <typename F>
bool resolve(void *handle, const char *name, F &out)
{
    out = reinterpret_cast<F>(dlsym(handle, name));
    if (!out)
        std::fprintf(stderr, "mac_probe: %s missing: %s\n", name, dlerror());
    return out != nullptr;
}

bool waitForWorkers(const Library &lib)
{
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (lib.pending() > 0) {
        if (std::chrono::steady_clock::now() > giveUp)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

bool isZero(const unsigned char *element)
{
    for (int i = 0; i < MAC_SLOT_SIZE; ++i)
        if (element[i])
            return false;
    return true;
}

int scanBlock(const Library &lib, const char *prefix, int from, int to, int timeout, int lower, int count,
              int thenFrom, int thenTo)
{
    lib.therad(prefix, from, to);
    if (thenFrom >= 0) {
        lib.therad(prefix, thenFrom, thenTo);
        // The first scan's stragglers get their whole time-out to misbehave.
        std::this_thread::sleep_for(std::chrono::milliseconds(timeout + 500));
    }
    if (!waitForWorkers(lib)) {
        std::fprintf(stderr, "mac_probe: workers still pending\n");
        return 3;
    }

    std::vector<unsigned char> elements(static_cast<std::size_t>(count) * MAC_SLOT_SIZE, 0xAA);
    MacArray array{};
    array.dimensions = 1;
    array.elementSize = MAC_SLOT_SIZE;
    array.data = elements.data();
    array.bounds[0] = {static_cast<uint32_t>(count), lower};
    MacArray *descriptor = &array;
    lib.copyTable(&descriptor);

    for (int i = 0; i < count; ++i) {
        const unsigned char *element = elements.data() + static_cast<std::size_t>(i) * MAC_SLOT_SIZE;
        const int index = lower + i;
        if (index < 0 || index >= MAC_SLOT_COUNT) {
            if (!isZero(element))
                std::printf("BAD element %d outside the table is not zero\n", index);
            continue;
        }
        if (element[0] || element[MAC_SLOT_MAC_OFFSET])
            std::printf("%.255s %.255s\n", reinterpret_cast<const char *>(element),
                        reinterpret_cast<const char *>(element + MAC_SLOT_MAC_OFFSET));
        else if (!isZero(element))
            std::printf("BAD slot %d is neither empty nor complete\n", index);
    }
    return 0;
}

int usage()
{
    std::fprintf(stderr, "usage: mac_probe LIBRARY PREFIX FROM TO [--pace MS] [--timeout MS] "
                         "[--bounds LOWER COUNT] [--then FROM TO] [--blocks N]\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 5)
        return usage();
    const char *prefix = argv[2];
    const int from = std::atoi(argv[3]);
    const int to = std::atoi(argv[4]);
    int pace = 15, timeout = 1000, lower = 0, count = MAC_SLOT_COUNT, thenFrom = -1, thenTo = -1, blocks = 1;
    for (int i = 5; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--pace" && i + 1 < argc)
            pace = std::atoi(argv[++i]);
        else if (option == "--timeout" && i + 1 < argc)
            timeout = std::atoi(argv[++i]);
        else if (option == "--bounds" && i + 2 < argc) {
            lower = std::atoi(argv[++i]);
            count = std::atoi(argv[++i]);
        } else if (option == "--then" && i + 2 < argc) {
            thenFrom = std::atoi(argv[++i]);
            thenTo = std::atoi(argv[++i]);
        } else if (option == "--blocks" && i + 1 < argc)
            blocks = std::atoi(argv[++i]);
        else
            return usage();
    }

    void *handle = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        std::fprintf(stderr, "mac_probe: %s\n", dlerror());
        return 2;
    }
    Library lib{};
    if (!resolve(handle, "Therad", lib.therad) || !resolve(handle, "revData", lib.copyTable) ||
        !resolve(handle, "SetTheradPacing", lib.setPacing) ||
        !resolve(handle, "SetArpTimeout", lib.setTimeout) || !resolve(handle, "PendingWorkers", lib.pending))
        return 2;

    lib.setPacing(pace);
    lib.setTimeout(timeout);
    unsigned a = 0, b = 0, c = 0;
    if (blocks < 1 || (blocks > 1 && (std::sscanf(prefix, "%u.%u.%u.", &a, &b, &c) != 3 || c + blocks > 256)))
        return usage();
    for (int block = 0; block < blocks; ++block) {
        const std::string blockPrefix = blocks == 1 ? std::string(prefix)
                                                    : std::to_string(a) + "." + std::to_string(b) + "." +
                                                          std::to_string(c + block) + ".";
        if (const int status =
                scanBlock(lib, blockPrefix.c_str(), from, to, timeout, lower, count, thenFrom, thenTo))
            return status;
    }
    return 0;
}
