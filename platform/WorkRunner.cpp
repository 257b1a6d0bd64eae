#include "platform/WorkRunner.h"

bool WorkRunner::callBack(const QPointer<QObject> &receiver, const std::function<void()> &step)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (app == nullptr)
        return false;
    bool ran = false;
    const auto guarded = [&receiver, &step, &ran] {
        if (receiver) {
            step();
            ran = true;
        }
    };
    if (QThread::currentThread() == app->thread())
        guarded();
    else
        QMetaObject::invokeMethod(app, guarded, Qt::BlockingQueuedConnection);
    return ran;
}

PoolWorkRunner::PoolWorkRunner(int threads)
{
    m_pool.setMaxThreadCount(threads);
}

PoolWorkRunner::~PoolWorkRunner()
{
    m_pool.waitForDone();
}

void PoolWorkRunner::waitForDone()
{
    QCoreApplication *app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() != app->thread()) {
        m_pool.waitForDone();
        return;
    }
    // A work item may wait for a question asked on this thread: those are
    // answered (and what is handed back delivered) while waiting.
    while (!m_pool.waitForDone(20))
        QCoreApplication::sendPostedEvents(app, QEvent::MetaCall);
    QCoreApplication::sendPostedEvents(app, QEvent::MetaCall);
}

void PoolWorkRunner::submit(Task task)
{
    m_pool.start(std::move(task));
}
