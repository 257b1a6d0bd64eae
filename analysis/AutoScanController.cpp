#include "analysis/AutoScanController.h"

#include "analysis/AnalysisOptions.h"
#include "analysis/Analyzer.h"
#include "scan/ScanRun.h"

AutoScanController::AutoScanController(ScanRun *scanRun, Analyzer *analyzer, ScanStarter startScan,
                                       QObject *parent)
    : QObject(parent),
      m_scanRun(scanRun),
      m_analyzer(analyzer),
      m_startScan(std::move(startScan)),
      m_clock([] { return QDateTime::currentDateTime(); })
{
    setMinutes(AnalysisOptions::DefaultMinutes);
    connect(&m_timer, &clsTimer::Timer, this, &AutoScanController::ArTimer_Timer);
    // Only the scan this step started is analysed; a manual scan that ends
    // meanwhile is not ours.
    connect(m_scanRun, &ScanRun::finished, this, &AutoScanController::onScanFinished);
    connect(m_scanRun, &ScanRun::stateChanged, this, &AutoScanController::onScanStateChanged);
}

void AutoScanController::setAutoScan(bool on)
{
    m_autoScan = on;
    // During a step or a manual scan the timer stays off; their end starts
    // it when the mode is still on.
    if (!m_stepRunning && !m_manualScan)
        setTimerRunning(on);
}

bool AutoScanController::setMinutesText(const QString &text)
{
    const auto minutes = AnalysisOptions::parseMinutes(text);
    if (!minutes)
        return false;
    setMinutes(*minutes);
    return true;
}

void AutoScanController::setMinutes(int minutes)
{
    m_timer.setInterval(int(AnalysisOptions::intervalMs(minutes)));
}

void AutoScanController::ArTimer_Timer()
{
    if (m_stepRunning)
        return;
    m_stepRunning = true;
    setTimerRunning(false);
    Q_EMIT autoScanCheckEnabledChanged(false);
    Q_EMIT stepStarted();
    if (!m_scanRun->isScanning() && m_startScan && m_startScan()) {
        // A start that failed at once has already reported finished; only a
        // running scan is waited for.
        if (m_scanRun->isScanning()) {
            m_waitingForScan = true;
            return;
        }
    }
    endStep(false, QString(), 0);
}

void AutoScanController::onScanStateChanged()
{
    // A step's own scan starts while the step runs; any other is manual.
    if (m_stepRunning || m_manualScan || !m_scanRun->isScanning())
        return;
    m_manualScan = true;
    setTimerRunning(false);
}

void AutoScanController::onScanFinished(const QString &completion)
{
    if (m_manualScan) {
        m_manualScan = false;
        if (m_autoScan && !m_stepRunning)
            setTimerRunning(true);
        return;
    }
    if (!m_waitingForScan)
        return;
    m_waitingForScan = false;
    // A scan that failed before its first host has nothing to analyse.
    const int findings = completion.isEmpty() ? 0 : m_analyzer->AnalyzeAll();
    endStep(!completion.isEmpty(), completion, findings);
}

void AutoScanController::endStep(bool scanned, const QString &completion, int findings)
{
    m_stepRunning = false;
    Q_EMIT autoScanCheckEnabledChanged(true);
    if (m_autoScan && !m_manualScan)
        setTimerRunning(true);
    Q_EMIT stepFinished(scanned, completion, findings);
}

void AutoScanController::setTimerRunning(bool on)
{
    if (on == m_timer.Enable())
        return; // a running timer keeps its period, and its time of firing
    m_timer.setEnable(on);
    m_nextStep = on ? m_clock().addMSecs(m_timer.Interval()) : QDateTime();
    Q_EMIT nextStepChanged(m_nextStep);
}
