#pragma once

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

// Times of the history as the database holds them: ISO 8601 UTC text to the
// second ("2026-12-08T21:04:38Z"), whose text order is their time order.
namespace HistoryTime {

// The clock of the history; tests pass their own.
using Clock = std::function<QDateTime()>;
Clock systemClock();

QString text(const QDateTime &when);
// The stored text back as a UTC time; invalid for any other text.
QDateTime fromText(const QString &text);

// A date or time given by a user: "2026-12-08" (the start of that day, UTC)
// or an ISO 8601 date and time (UTC unless it carries an offset). Nothing for
// any other text.
std::optional<QDateTime> parseUserTime(const QString &text);

} // namespace HistoryTime
