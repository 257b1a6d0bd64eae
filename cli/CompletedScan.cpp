#include "CompletedScan.h"

#include "Analyzer.h"
#include "CommandLine.h"
#include "JsonLines.h"
#include "ScanHistory.h"
#include "ScanRun.h"
#include "TerminalText.h"

namespace CompletedScan {

QList<ChangeEvent> record(const CommandLine &command, const RecordStore &store, const ScanListModel &list,
                          const ScanRun &run, const QString &site)
{
    const Result<QList<ChangeEvent>> events = ScanHistory::recordScan(store, list, run.neighbourMacs(), site);
    if (!events) {
        command.failure(events.error());
        return {};
    }
    return *events;
}

void printChanges(std::FILE *out, const QList<ChangeEvent> &events, bool json)
{
    for (const ChangeEvent &event : events) {
        if (json) {
            JsonLines::write(out, JsonLines::changeEvent(event));
            continue;
        }
        std::fprintf(
            out, "%s\t%s\n",
            TerminalText::printable(Analyzer::dateTimeText(event.time.toLocalTime())).toUtf8().constData(),
            TerminalText::printable(event.text()).toUtf8().constData());
    }
    std::fflush(out);
}

} // namespace CompletedScan
