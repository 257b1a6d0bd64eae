#include "scan/MacInstancePool.h"

#include <QMutexLocker>

#include "scan/MacLibrary.h"

MacInstancePool &MacInstancePool::instance()
{
    static MacInstancePool pool;
    return pool;
}

Result<QList<MacLibrary *>> MacInstancePool::acquire(int wanted)
{
    const QMutexLocker lock(&m_mutex);
    QList<MacLibrary *> taken;
    while (taken.size() < wanted && !m_free.isEmpty())
        taken.append(m_free.takeLast());
    QString reason;
    while (taken.size() < wanted && m_loaded < MaxCopies && !m_loadFailed) {
        const Result<MacLibrary *> copy = MacLibrary::loadSeparateCopy();
        if (!copy) {
            reason = copy.error();
            m_loadFailed = m_loaded > 0; // a missing library is looked for again next time
            break;
        }
        ++m_loaded;
        taken.append(*copy);
    }
    if (taken.isEmpty()) {
        return Failure{
            m_loaded > 0 ? QStringLiteral("Every copy of the ARP resolver library is in use by another scan.")
                         : reason};
    }
    return taken;
}

void MacInstancePool::release(const QList<MacLibrary *> &copies)
{
    const QMutexLocker lock(&m_mutex);
    m_free.append(copies);
}
