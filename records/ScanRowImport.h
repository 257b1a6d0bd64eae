#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <optional>

#include "lists/PresetRecord.h"
#include "lists/ScanRow.h"
#include "platform/Result.h"
#include "records/RecordBatch.h"

class Prompt;
class RecordStore;
class ScanListModel;

// Takes ticked scan rows into the preset records: the "Add to database"
// wizard of the window and `netkestrel-cli records import-scan` both run it.
// A scan row gives four fields (IP, MAC, host name, workgroup) as they stand,
// but for the MAC, which is stored in the scans' hyphen form in upper case;
// its vendor is not stored. A row that the record editor would refuse (see
// ImportRowCheck) is left out, and the closing message says which; a silent
// host's row is kept with "Non-Responded IP" for its MAC. New records leave
// the other fields empty, an overwrite keeps them.
//
// A run decides row by row whether the row is a duplicate under the chosen
// key, against the records present when the run starts and the rows the run
// itself adds before it, asks about duplicates when told to, and then writes
// every decision with one RecordStore::writeBatch (one transaction). Rows
// found new go to the batch as "skip if taken", so a record that another
// process adds in the meantime is never overwritten unasked.
//
// Questions, the closing message and store failures go through the Prompt.
// Not thread-safe; the handlers run on the calling thread.
class ScanRowImport
{
public:
    // In the order of the wizard's option buttons OptAdd 0 to 2.
    enum class OnDuplicate { Ask, Overwrite, Skip };

    struct Options
    {
        BatchItem::MatchBy matchBy = BatchItem::MatchBy::IpAddress;
        OnDuplicate onDuplicate = OnDuplicate::Ask;
    };

    struct Outcome
    {
        int count = 0;          // records added plus records overwritten
        bool cancelled = false; // Cancel was answered to a duplicate question
        int skipped = 0;        // ticked rows left out as the editor would refuse them
        BatchOutcome batch;     // what the write did, one action per decided row
    };

    static constexpr int MappedFields = 4;
    static constexpr const char *NothingTickedText = "No items were selected.";
    static constexpr const char *ClosingText = "Successfully added to record !";

    ScanRowImport(const RecordStore &store, Prompt &prompt);

    // After each ticked row is decided, with the progress in percent (row
    // position among all rows of the list). The window lets waiting input
    // through here.
    void setProgressHandler(std::function<void(int percent)> handler) { m_progress = std::move(handler); }
    // The status line once the rows are written, before the closing message.
    void setStatusHandler(std::function<void(const QString &)> handler) { m_status = std::move(handler); }

    static PresetRecord recordFor(const ScanRow &row);
    // " IPAddress='...'" or " MACAddress='...'", with its leading blank.
    static QString condition(BatchItem::MatchBy matchBy, const ScanRow &row);
    static QString duplicateQuestion(BatchItem::MatchBy matchBy, const ScanRow &row);
    static QString statusText(int count);
    // Row `position` (1-based) of `rowCount` as a percent, rounded as the
    // progress bar's integer value takes it (halves to even).
    static int progressPercent(int position, int rowCount);

    // rows: every row of the list in order; ticked: the indexes of the ticked
    // rows, ascending. Ends with the status line, progress 100 and the
    // closing message, also after a Cancel. On a store failure nothing is
    // written, the failure has been shown through the prompt and is returned.
    Result<Outcome> run(const QList<ScanRow> &rows, const QList<int> &ticked, const Options &options);
    // The rows of the scan list and its check boxes.
    Result<Outcome> run(const ScanListModel &list, const Options &options);

private:
    // Whether the answer is to write the row (Yes); nothing on Cancel.
    std::optional<bool> askOverwrite(BatchItem::MatchBy matchBy, const ScanRow &row);

    const RecordStore &m_store;
    Prompt &m_prompt;
    std::function<void(int)> m_progress;
    std::function<void(const QString &)> m_status;
};
