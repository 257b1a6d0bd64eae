#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include "history/ChangeEvent.h"
#include "history/HistoryTime.h"
#include "platform/Result.h"

class RecordStore;
struct ScanRow;

// Brings the host history up to date with one completed scan and returns
// the change events it showed, which are stored with it. Everything happens
// in one write transaction: after a failure neither the history nor the
// events have changed.
//
// Everything it writes and returns carries its site (the watcher's part of
// a shared store); the events compare the scan with the same site's history
// only, so that an IP of one site is never "mac-changed" by another.
//
// Rows marked "Non-Responded IP" (and rows without a MAC) are not history. A
// pair listed twice by one scan counts once. The events of a scan compare it
// with the scans before it only, so a scan repeated at the same second gives
// no "mac-changed" against itself.
//
// Runs on the caller's thread with a connection of its own; the store must
// outlive the recorder.
class HistoryRecorder
{
public:
    static constexpr int DefaultAbsenceDays = 30;

    explicit HistoryRecorder(const RecordStore &store, HistoryTime::Clock clock = HistoryTime::systemClock());

    // The machine's host name: the site when none is set.
    static QString defaultSite();
    // The site given, trimmed; the default site when it is blank.
    static QString siteOrDefault(const QString &site);
    // Blank gives the default.
    void setSite(const QString &site);
    const QString &site() const { return m_site; }

    // A pair last seen more than this many days before the scan "returned".
    void setAbsenceDays(int days) { m_absenceDays = days; }
    int absenceDays() const { return m_absenceDays; }

    // rows: the scan list of the completed scan. neighbourMacs: for the
    // addresses whose NetBIOS reply gave a unit id other than the MAC of the
    // neighbour table, that table's MAC (ScanRun::neighbourMacs).
    Result<QList<ChangeEvent>> record(const QList<ScanRow> &rows,
                                      const QHash<QString, QString> &neighbourMacs = {}) const;
    // Pairs heard between scans, last at the clock's time, and the events
    // the listener gave for them (ListenRules), stored as given, under the
    // recorder's site. The pairs' first and last sightings widen; they count
    // no scan.
    Result<QList<ChangeEvent>> recordHeard(const QList<ScanRow> &rows,
                                           const QList<ChangeEvent> &events) const;

private:
    // "The host history could not be updated" with the store and detail.
    Failure fail(const QString &detail) const;

    const RecordStore &m_store;
    HistoryTime::Clock m_clock;
    QString m_site;
    int m_absenceDays = DefaultAbsenceDays;
};
