#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <cstdio>

struct ChangeEvent;
struct HistoryEntry;
struct ScanRow;

// --format json: one JSON object a line, for scripts and log collectors. Every
// object has "kind" (a stable word) and, where they apply, "ip", "mac" (the
// MAC text as shown) and "time" (ISO 8601, UTC). What a scan wrote into the
// history, and the findings of a watcher, carry its "site".
namespace JsonLines {

// A scan row: kind "host".
QJsonObject scanRow(const ScanRow &row, const QDateTime &time);
// A finding: its rule's word as kind, "randomised" for a locally administered
// MAC, what the record holds in "recorded_mac" (ip-other-mac) or "recorded_ip"
// (mac-other-ip), and its own sentence in "text".
QJsonObject finding(const QString &text, const QDateTime &time, bool acknowledged, const QString &site);
// A pair of the host history: kind "history".
QJsonObject historyEntry(const HistoryEntry &entry);
// A change event: its kind's word, its sentence in "text".
QJsonObject changeEvent(const ChangeEvent &event);

// Writes the object on one line and flushes, so that a reader of a pipe sees
// each object when it is made.
void write(std::FILE *out, const QJsonObject &object);

} // namespace JsonLines
