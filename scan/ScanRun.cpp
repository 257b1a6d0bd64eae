#include "scan/ScanRun.h"

#include <QTimer>

#include "lists/ScanListModel.h"
#include "platform/PhaseTiming.h"
#include "scan/ArpHostSource.h"
#include "scan/HostSourceFactory.h"

namespace {

// The pause after a listed row in the default pacing; it lets the window
// draw the rows as they come. The fast pacing drops it.
constexpr int RowPauseMs = 5;

} // namespace

ScanRun::ScanRun(ScanListModel *list, QObject *parent)
    : QObject(parent), m_list(list), m_sourceFactory(createHostSource)
{
    m_batchTimer.setSingleShot(true);
    m_batchTimer.setInterval(BatchMs);
    connect(&m_batchTimer, &QTimer::timeout, this, &ScanRun::flushRows);
}

ScanRun::~ScanRun()
{
    delete m_source;
}

QString ScanRun::completionText(quint32 scanned, int found)
{
    return QStringLiteral("Scan Complete! Scanned: %1 IP, Found %2 connected ").arg(scanned).arg(found);
}

bool ScanRun::start(const ScanRange &range)
{
    if (m_state != State::Idle)
        return false;
    m_range = range;
    m_stopRequested = false;
    m_pauseRequested = false;
    m_waitingForHost = false;
    m_nextIndex = 0;
    m_found = 0;
    m_neighbourMacs.clear();
    m_batch.clear();
    m_list->clear();
    setState(State::Running);

    m_source = m_sourceFactory(range, m_pacing);
    connect(m_source, &HostSource::statusText, this, &ScanRun::setStatus);
    connect(m_source, &HostSource::prepared, this, &ScanRun::onPrepared);
    connect(m_source, &HostSource::failed, this, &ScanRun::onFailed);
    connect(m_source, &HostSource::hostReady, this, &ScanRun::onHostReady);
    PhaseTiming::mark("scan started");
    m_source->begin();
    return true;
}

void ScanRun::togglePause()
{
    if (m_state == State::Idle)
        return;
    m_pauseRequested = !m_pauseRequested;
    if (m_pauseRequested)
        flushRows();
    setState(m_pauseRequested ? State::Paused : State::Running);
    // Continue: ask for the next host unless one is still on its way.
    if (!m_pauseRequested && !m_waitingForHost && m_nextIndex > 0)
        requestHost(m_nextIndex);
}

void ScanRun::stop()
{
    if (m_state == State::Idle)
        return;
    m_stopRequested = true;
    // Stopped while paused: end at once, without waiting for "Continue".
    if (m_pauseRequested && !m_waitingForHost && m_nextIndex > 0)
        finish(m_nextIndex);
}

void ScanRun::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    Q_EMIT stateChanged(state);
}

void ScanRun::setStatus(const QString &text)
{
    m_statusText = text;
    Q_EMIT statusTextChanged(text);
}

void ScanRun::onPrepared()
{
    PhaseTiming::mark("hosts asked");
    Q_EMIT progressVisibleChanged(true);
    if (m_range->method() == ScanMethod::Udp)
        Q_EMIT rangeOrderShown(m_range->enteredBackwards());
    requestHost(0);
}

void ScanRun::onFailed(const QString &title, const QString &text)
{
    Q_EMIT startFailed(title, text);
    endRun(QString());
}

void ScanRun::requestHost(quint32 index)
{
    const quint32 count = m_range->count();
    // Exact integer form of (1 - (to - i) / (to - from + 1)) * 100, cut down.
    const int percent = int((quint64(index) + 1) * 100 / count);
    Q_EMIT progressChanged(percent);
    setStatus(QStringLiteral("%1%, Scaning:%2").arg(percent).arg(m_range->addressText(index)));
    m_waitingForHost = true;
    m_source->request(index);
}

void ScanRun::onHostReady(quint32 index, const HostResult &result)
{
    if (m_state == State::Idle || sender() != m_source)
        return;
    m_waitingForHost = false;
    bool appended = false;
    if (!result.macAddress.isEmpty()) {
        ScanRow row;
        row.number = QString::number(++m_found);
        row.ipAddress = result.address;
        row.macAddress = result.macAddress;
        row.hostName = result.hostName;
        row.workgroup = result.workgroup;
        row.vendor = m_vendorOf ? m_vendorOf(result.macAddress) : QString();
        row.iconIndex = ScanRow::AnsweredIcon;
        row.key = result.key;
        row.otherMacs = result.otherMacs;
        queueRow(row);
        if (!result.neighbourMac.isEmpty())
            m_neighbourMacs.insert(result.address, result.neighbourMac);
        appended = true;
    } else if (m_showSilent) {
        ScanRow row;
        row.ipAddress = result.address;
        row.macAddress = QLatin1String(ScanRow::NonRespondedMarker);
        row.iconIndex = ScanRow::SilentIcon;
        row.key = result.key;
        queueRow(row);
        appended = true;
    }
    continueAfter(index, appended);
}

void ScanRun::continueAfter(quint32 index, bool rowAppended)
{
    m_nextIndex = index + 1;
    if (m_stopRequested || m_nextIndex >= m_range->count()) {
        finish(m_nextIndex);
        return;
    }
    if (m_pauseRequested)
        return; // togglePause() or stop() takes it from here
    const int delay = rowAppended && !m_pacing.isFast() ? RowPauseMs : 0;
    const quint32 next = m_nextIndex;
    QTimer::singleShot(delay, this, [this, next] {
        // The run may have been stopped or paused while the timer ran.
        if (m_state == State::Idle || m_nextIndex != next || m_waitingForHost)
            return;
        if (m_stopRequested) {
            finish(next);
            return;
        }
        if (!m_pauseRequested)
            requestHost(next);
    });
}

void ScanRun::queueRow(const ScanRow &row)
{
    m_batch.append(row);
    if (m_batch.size() >= BatchRows)
        flushRows();
    else if (!m_batchTimer.isActive())
        m_batchTimer.start();
}

void ScanRun::flushRows()
{
    m_batchTimer.stop();
    if (m_batch.isEmpty())
        return;
    const int first = m_list->count();
    m_list->appendScanRows(m_batch);
    m_batch.clear();
    Q_EMIT rowsAppended(first, m_list->count() - 1);
}

void ScanRun::finish(quint32 scanned)
{
    endRun(completionText(scanned, m_found));
}

void ScanRun::endRun(const QString &completion)
{
    if (m_source) {
        m_source->abort();
        m_source->disconnect(this);
        m_source->deleteLater();
        m_source = nullptr;
    }
    flushRows();
    if (!completion.isEmpty())
        setStatus(completion);
    Q_EMIT progressVisibleChanged(false);
    m_stopRequested = false;
    m_pauseRequested = false;
    m_waitingForHost = false;
    setState(State::Idle);
    Q_EMIT finished(completion);
}
