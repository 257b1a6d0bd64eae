#include "cli/CompletedScan.h"

#include "analysis/Analyzer.h"
#include "cli/CommandLine.h"
#include "cli/JsonLines.h"
#include "history/ScanHistory.h"
#include "platform/TerminalText.h"
#include "scan/ScanRun.h"

#include <utility>

namespace CompletedScan {

Recorded record(const CommandLine &command, const RecordStore &store, const ScanListModel &list,
                const ScanRun &run, const QString &site)
{
    ScanHistory::Outcome outcome = ScanHistory::recordScan(store, list, run.neighbourMacs(), site);
    for (const QString &message : std::as_const(outcome.messages))
        command.failure(message);
    return {std::move(outcome.events), outcome.fate == ScanHistory::Outcome::Fate::Lost};
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
