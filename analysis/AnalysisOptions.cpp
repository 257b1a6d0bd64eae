#include "analysis/AnalysisOptions.h"

const QList<int> &AnalysisOptions::offeredMinutes()
{
    static const QList<int> minutes = {5, 10, 15, 30, 45, 60, 90, 120, 480, 1440};
    return minutes;
}

bool AnalysisOptions::isOfferedMinutes(int minutes)
{
    return offeredMinutes().contains(minutes);
}

std::optional<int> AnalysisOptions::parseMinutes(const QString &text)
{
    bool ok = false;
    const int minutes = text.trimmed().toInt(&ok, 10);
    if (!ok || !isOfferedMinutes(minutes))
        return std::nullopt;
    return minutes;
}
