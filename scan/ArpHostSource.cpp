#include "scan/ArpHostSource.h"

#include "platform/Prompt.h"
#include "scan/LocalNetworks.h"
#include "scan/MacLibrary.h"

namespace {

// How often the run looks whether the library's workers are done.
constexpr int WorkerPollMs = 5;

} // namespace

ArpHostSource::ArpHostSource(const ScanRange &range, const Pacing &pacing, QObject *parent)
    : HostSource(range, pacing, parent)
{
    m_waitTimer.setInterval(WorkerPollMs);
    connect(&m_waitTimer, &QTimer::timeout, this, &ArpHostSource::waitForWorkers);
}

ArpHostSource::~ArpHostSource()
{
    if (m_starter) {
        m_starter->wait();
        delete m_starter;
    }
}

void ArpHostSource::begin()
{
    // A command-line range off every local network would only wait for
    // silence: refused before the first request, as a range of several
    // networks is.
    if (range().arpReach() == ScanRange::ArpReach::SeveralNetworks) {
        if (const QString offLink = LocalNetworks::current().arpRefusal(range()); !offLink.isEmpty()) {
            Q_EMIT failed(QLatin1String(Prompt::NoticeTitle), offLink);
            return;
        }
    }
    const Result<MacLibrary *> loaded = MacLibrary::instance();
    if (!loaded) {
        Q_EMIT failed(QLatin1String(Prompt::ErrorTitle), loaded.error());
        return;
    }
    m_library = *loaded;
    Q_EMIT statusText(QStringLiteral("Preparing to scan network ..."));

    const QByteArray prefix = range().networkPrefix().toLatin1();
    const int from = int(range().first() & 0xFF);
    const int to = int(range().last() & 0xFF);
    m_library->setPacing(pacing().paceMs);
    m_library->setArpTimeout(pacing().arpTimeoutMs);
    MacLibrary *library = m_library;
    m_starter = QThread::create([library, prefix, from, to] { library->therad(prefix, from, to); });
    connect(m_starter, &QThread::finished, this, &ArpHostSource::startedAll);
    m_starter->start();
}

void ArpHostSource::startedAll()
{
    if (m_aborted)
        return;
    Q_EMIT statusText(QStringLiteral("Starting Netkestrel. Program is loading data"));
    // A live host may answer a little after its worker started: wait until
    // every worker of this call has answered or failed, but never longer
    // than one ARP time-out after the last start.
    m_waitClock.start();
    waitForWorkers();
    if (!m_aborted && m_table.isEmpty())
        m_waitTimer.start();
}

void ArpHostSource::waitForWorkers()
{
    const int pending = m_library->pendingWorkers();
    const bool timedOut = m_waitClock.elapsed() > pacing().arpTimeoutMs + 100;
    if (pending > 0 && !timedOut && !m_aborted)
        return;
    m_waitTimer.stop();
    copyResults();
}

void ArpHostSource::copyResults()
{
    m_library->revData(&m_table);
    m_furtherMacs = m_library->furtherMacs(m_table);
    Q_EMIT prepared();
}

void ArpHostSource::request(quint32 index)
{
    const quint32 host = (range().first() & 0xFF) + index;
    HostResult result;
    result.key = QStringLiteral("MAC%1").arg(host);
    result.address = range().addressText(index);
    const QString mac = MacLibrary::slotText(m_table, int(host), MacLibrary::MacOffset);
    if (!mac.isEmpty()) {
        result.address = MacLibrary::slotText(m_table, int(host), 0);
        result.macAddress = mac;
        result.otherMacs = m_furtherMacs.value(int(host));
    }
    // Delivered from the event loop, as the source's contract promises.
    QMetaObject::invokeMethod(
        this, [this, index, result] { Q_EMIT hostReady(index, result); }, Qt::QueuedConnection);
}

void ArpHostSource::abort()
{
    m_waitTimer.stop();
    m_aborted = true;
}
