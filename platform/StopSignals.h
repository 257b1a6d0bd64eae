#pragma once

#include <QList>
#include <QObject>

#include <csignal>

class QSocketNotifier;

// Turns SIGINT and SIGTERM (or the signals given) into a Qt signal on the
// main thread, so that a long command can end its work cleanly between two
// steps, and the window can end as on Exit when the session logs out. The
// handler only writes one byte to a pipe; everything else happens in the
// event loop. One at a time per process.
class StopSignals : public QObject
{
    Q_OBJECT

public:
    explicit StopSignals(QObject *parent = nullptr) : StopSignals({SIGINT, SIGTERM}, parent) {}
    StopSignals(const QList<int> &signalNumbers, QObject *parent = nullptr);
    ~StopSignals() override;

    int count() const { return m_count; }

Q_SIGNALS:
    void stopRequested(int count);

private:
    void readSignal();

    QList<int> m_signalNumbers;
    QSocketNotifier *m_notifier = nullptr;
    int m_count = 0;
};
