#include "history/ListenSession.h"

#include "history/HistoryRecorder.h"
#include "lists/ScanRow.h"
#include "scan/HeardFrame.h"
#include "scan/LinkListener.h"

#include <utility>

ListenSession::ListenSession(const QString &site, Writer writer, QObject *parent)
    : QObject(parent), m_site(site), m_rules(site), m_writer(std::move(writer))
{
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(FlushMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &ListenSession::flush);
}

ListenSession::~ListenSession()
{
    flush();
}

void ListenSession::listen(std::unique_ptr<LinkListener> listener)
{
    m_listener = std::move(listener);
    if (!m_listener)
        return;
    connect(m_listener.get(), &LinkListener::heard, this, &ListenSession::hear);
    connect(m_listener.get(), &LinkListener::lost, this, [this](const QString &message) {
        // The listener may be deep in its own signal: it goes when control
        // is back in the event loop.
        if (m_listener)
            m_listener.release()->deleteLater();
        flush();
        Q_EMIT lost(message);
    });
}

void ListenSession::stop()
{
    if (m_listener) {
        m_listener->disconnect(this);
        m_listener.reset();
    }
    flush();
}

void ListenSession::scanCompleted(const QList<ScanRow> &rows, const QDateTime &time)
{
    QList<std::pair<QString, QString>> pairs;
    pairs.reserve(rows.size());
    for (const ScanRow &row : rows) {
        if (!row.isMarker() && !row.ipAddress.trimmed().isEmpty() && !row.macAddress.trimmed().isEmpty())
            pairs.append({row.ipAddress.trimmed(), row.macAddress});
    }
    m_rules.noteScan(pairs, time);
    m_scanning = false;
}

void ListenSession::hear(const HeardFrame &frame)
{
    if (m_scanning)
        return;
    HeardFrame timed = frame;
    if (!timed.time.isValid())
        timed.time = QDateTime::currentDateTimeUtc();
    const ListenRules::Outcome outcome = m_rules.hear(timed);
    if (!outcome.heardIp.isEmpty()) {
        ScanRow &row = m_pending[outcome.heardIp + QLatin1Char(' ') + outcome.heardMac];
        row.ipAddress = outcome.heardIp;
        row.macAddress = outcome.heardMac;
        m_latest = std::max(m_latest, timed.time.toUTC());
    }
    m_events += outcome.events;
    if (!outcome.events.isEmpty())
        Q_EMIT changes(outcome.events);
    if (!outcome.findings.isEmpty())
        Q_EMIT findings(outcome.findings);
    if (m_pending.size() >= KeptScan::MaxRows || m_events.size() >= KeptScan::MaxRows)
        flush();
    else if ((!m_pending.isEmpty() || !m_events.isEmpty()) && !m_flushTimer.isActive())
        m_flushTimer.start();
}

void ListenSession::flush()
{
    m_flushTimer.stop();
    if (m_pending.isEmpty() && m_events.isEmpty())
        return;
    KeptScan heard;
    heard.heard = true;
    heard.time = m_latest.isValid() ? m_latest : QDateTime::currentDateTimeUtc();
    heard.site = m_site;
    heard.absenceDays = HistoryRecorder::DefaultAbsenceDays;
    heard.rows = m_pending.values();
    heard.events = std::exchange(m_events, {});
    m_pending.clear();
    m_latest = {};
    if (m_writer)
        m_writer(heard);
}
