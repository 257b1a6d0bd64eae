#include "mac/ScanWorker.h"

#include "mac/MacResolver.h"
#include "mac/Trace.h"

#include <arpa/inet.h>
#include <pthread.h>

namespace mac {

namespace {

// A worker's deepest frame holds a 4 KiB netlink buffer. Small stacks stay in
// the C library's cache of freed stacks (a /24 of them is 16 MiB), so a
// scan of many networks neither maps nor unmaps one per host.
constexpr std::size_t workerStackSize = 65536;

struct WorkerTask
{
    std::shared_ptr<SlotTable> table;
    std::shared_ptr<ScanBatch> batch;
    std::string address;
    int hostNumber;
    std::chrono::milliseconds timeout;
};

void resolveInto(const WorkerTask &task)
{
    in_addr destination{};
    if (inet_pton(AF_INET, task.address.c_str(), &destination) != 1) {
        traceWorker(task.address, "unparsable", "-");
        return;
    }
    const Resolution resolution = resolveMac(*task.batch, destination, task.timeout);
    const std::string mac = resolution.resolved ? macText(resolution.mac) : std::string("-");
    std::string further;
    for (const MacAddress &other : resolution.further)
        further += (further.empty() ? "" : " ") + macText(other);
    if (resolution.resolved)
        task.table->publish(static_cast<std::size_t>(task.hostNumber), task.address, mac, further);
    traceWorker(task.address, pathName(resolution.path), mac);
}

void *runWorker(void *argument)
{
    std::unique_ptr<WorkerTask> task(static_cast<WorkerTask *>(argument));
    try {
        resolveInto(*task);
    } catch (...) {
        // No answer: errors are never reported to the caller.
    }
    task->table->workerFinished();
    return nullptr; // the last worker of a call closes the call's sockets here, once counted out
}

} // namespace

bool startScanWorker(std::shared_ptr<SlotTable> table, std::shared_ptr<ScanBatch> batch,
                     const std::string &prefix, int hostNumber, std::chrono::milliseconds timeout)
{
    auto task = std::make_unique<WorkerTask>(WorkerTask{
        std::move(table), std::move(batch), prefix + std::to_string(hostNumber), hostNumber, timeout});
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0)
        return false;
    pthread_attr_setstacksize(&attributes, workerStackSize);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);

    SlotTable &counted = *task->table;
    counted.workerStarted();
    pthread_t thread;
    const bool started = pthread_create(&thread, &attributes, runWorker, task.get()) == 0;
    pthread_attr_destroy(&attributes);
    if (started)
        task.release(); // the worker owns it now
    else
        counted.workerFinished();
    return started;
}

} // namespace mac
