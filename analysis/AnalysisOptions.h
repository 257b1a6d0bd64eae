#pragma once

#include <QList>
#include <QString>

#include <optional>

// The option boxes of the main window and the minute box, as T_set keeps them
// (check1..check5, mins). The defaults are those of an empty T_set.
struct AnalysisOptions
{
    static constexpr int DefaultMinutes = 5;

    bool displayNonResponded = false; // Check1 " Display Non-Responded IP"
    bool analyzeMac = true;           // Check2 "Analyze of MAC"
    bool analyzeIp = true;            // Check3 "Analyze of IP"
    bool autoScan = true;             // Check4 "Auto Scan/Analyze every ... mins"
    bool clearBeforeAnalysis = false; // Check5 "Clear All Before Analysis"
    bool listenBetweenScans = false;  // CheckListen "Listen between scans" of the automatic mode
    int mins = DefaultMinutes;        // Combo1, always one of offeredMinutes()

    // The entries of the minute box, in their order.
    static const QList<int> &offeredMinutes();
    static bool isOfferedMinutes(int minutes);
    // The minute box text as minutes: nothing for text that is not a whole
    // number or not one of the offered values, so the caller keeps the value
    // it has.
    static std::optional<int> parseMinutes(const QString &text);
    // The timer period for a minute value.
    static qint64 intervalMs(int minutes) { return qint64(minutes) * 60000; }

    bool operator==(const AnalysisOptions &) const = default;
};
