#pragma once

#include <QHash>
#include <QMetaObject>

#include "scan/HostSource.h"

// A host source with answers set in advance: hosts whose index is in `macs`
// answer with that MAC (and the further ones after a "+"), the others are silent. Results come from the event
// loop, as the real sources deliver them.
class FakeHostSource : public HostSource
{
    Q_OBJECT

public:
    // What the run asked of its source; owned by the test, since the run
    // deletes its source when it ends.
    struct Log
    {
        QList<quint32> requested;
        bool aborted = false;
    };

    FakeHostSource(const ScanRange &range, const Pacing &pacing, QHash<quint32, QString> macs,
                   QString failure, Log *log)
        : HostSource(range, pacing), m_macs(std::move(macs)), m_failure(std::move(failure)), m_log(log)
    {
        *m_log = Log();
    }

    void begin() override
    {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_failure.isEmpty())
                    Q_EMIT prepared();
                else
                    Q_EMIT failed(QStringLiteral("Error"), m_failure);
            },
            Qt::QueuedConnection);
    }

    void request(quint32 index) override
    {
        m_log->requested.append(index);
        HostResult result;
        result.address = range().addressText(index);
        // "MAC+MAC": further MACs answered the address.
        const QStringList macs = m_macs.value(index).split(QLatin1Char('+'));
        result.macAddress = macs.constFirst();
        result.otherMacs = macs.mid(1);
        result.key = QStringLiteral("K%1").arg(index);
        QMetaObject::invokeMethod(
            this, [this, index, result] { Q_EMIT hostReady(index, result); }, Qt::QueuedConnection);
    }

    void abort() override { m_log->aborted = true; }

private:
    QHash<quint32, QString> m_macs;
    QString m_failure;
    Log *m_log;
};
