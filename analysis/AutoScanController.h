#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>

#include "analysis/clsTimer.h"

class Analyzer;
class ScanRun;

// The automatic mode: the automatic-scan timer ArTimer and its step. At each
// expiry the step stops the timer and greys Check4, starts a full scan unless
// one is running, runs AnalyzeAll on the scan's completion, then ungreys
// Check4 and starts the timer anew, so the next period counts from the end
// of the step and steps never overlap. A tick that finds a scan running only
// restarts the period.
//
// A scan started elsewhere (the Scan button) holds the timer while it runs;
// its end (completed, stopped or failed) starts a full period anew when the
// mode is on, so that no step follows a manual scan moments after it.
//
// Lives on the thread of the scan run and the analyzer (the GUI thread in the
// window), both of which must outlive it.
class AutoScanController : public QObject
{
    Q_OBJECT

public:
    // Starts a full scan as the scan button does; false when none started
    // (a refused range, say).
    using ScanStarter = std::function<bool()>;
    using Clock = std::function<QDateTime()>;

    AutoScanController(ScanRun *scanRun, Analyzer *analyzer, ScanStarter startScan,
                       QObject *parent = nullptr);

    // Check4 clicked: the mode on or off; on starts a full period from now,
    // off stops the timer at once (a running step still finishes).
    void setAutoScan(bool on);
    bool autoScan() const { return m_autoScan; }

    // The minute box: refuses text that is not one of the offered values and
    // keeps the previous period then (false). The new period takes effect the
    // next time the timer starts.
    bool setMinutesText(const QString &text);
    void setMinutes(int minutes);

    bool isStepRunning() const { return m_stepRunning; }
    // Whether a scan that no step started holds the timer.
    bool isHeldByManualScan() const { return m_manualScan; }

    // When the timer, as last armed, fires next; invalid while it is off.
    QDateTime nextStep() const { return m_nextStep; }
    // The time source of nextStep(); the system clock unless a test sets one.
    void setClock(Clock clock) { m_clock = std::move(clock); }

    // The automatic step (ArTimer_Timer); public so that a caller can run a
    // step at once.
    void ArTimer_Timer();

    clsTimer &ArTimer() { return m_timer; }

Q_SIGNALS:
    // Check4 is to be greyed (false) during a step and ungreyed after it.
    void autoScanCheckEnabledChanged(bool enabled);
    void stepStarted();
    // scanned: whether the step ran a scan (and its analysis); completion is
    // the scan's completion text (empty when none ran or it failed).
    void stepFinished(bool scanned, const QString &completion, int findings);
    // The timer was armed (the time of the next step) or stopped (invalid).
    void nextStepChanged(const QDateTime &at);

private:
    void onScanStateChanged();
    void onScanFinished(const QString &completion);
    // Enables or disables the timer and keeps nextStep() with it.
    void setTimerRunning(bool on);
    void endStep(bool scanned, const QString &completion, int findings);

    ScanRun *m_scanRun;
    Analyzer *m_analyzer;
    ScanStarter m_startScan;
    clsTimer m_timer;
    bool m_autoScan = false;
    bool m_stepRunning = false;
    bool m_waitingForScan = false;
    bool m_manualScan = false;
    Clock m_clock;
    QDateTime m_nextStep;
};
