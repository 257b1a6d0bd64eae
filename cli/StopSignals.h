#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a Qt signal on the main thread, so that a
// long command can end its work cleanly between two steps. The handler only
// writes one byte to a pipe; everything else happens in the event loop.
class StopSignals : public QObject
{
    Q_OBJECT

public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

    int count() const { return m_count; }

Q_SIGNALS:
    void stopRequested(int count);

private:
    void readSignal();

    QSocketNotifier *m_notifier = nullptr;
    int m_count = 0;
};
