#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include "lists/PresetRecord.h"
#include "records/RecordBatch.h"

class Prompt;
class RecordStore;

// The import run of the spreadsheet import: the chosen rows of a sheet become
// records, a row whose key (IP or MAC address, without regard to case) a
// record already holds being asked about, overwritten or skipped. All of a
// run is written in one transaction (RecordStore::writeBatch), so a run that
// fails writes nothing, and a run ended by Cancel keeps the rows before it.
// Asking happens before the write, against the records as they were and the
// rows added before the asked one; the write probes again, so a record that
// another program added meanwhile is skipped, never overwritten unasked.
// A row the record editor would refuse is left out and named in the closing
// message (ImportRowCheck); a MAC is stored in the scans' form.
// Questions and messages go through the Prompt; progress and the status line
// go out as signals. Lives on the thread that runs it.
class SheetImport : public QObject
{
    Q_OBJECT

public:
    enum class OnDuplicate { Ask, Overwrite, Skip };

    static constexpr const char *ClosingText = "Successfully added to record !";
    // What the window says to "Import" with no row ticked.
    static constexpr const char *NothingTickedText = "No items were selected.";
    // "Imported N records;Completely import!"
    static QString statusLine(int count);
    // The question about a row whose key a record holds.
    static QString duplicateQuestion(BatchItem::MatchBy matchBy, const QString &key);

    struct Outcome
    {
        int count = 0;   // records added and overwritten
        int skipped = 0; // rows left out as the record editor would refuse them
        bool cancelled = false;
        bool failed = false; // reported already; nothing was written
    };

    SheetImport(RecordStore &store, Prompt &prompt, QObject *parent = nullptr);

    // rows: the records of the chosen rows, in sheet order; rowNumbers: the
    // sheet row number of each, for the message about rows left out (a row
    // the record editor would refuse is; see ImportRowCheck).
    Outcome run(const QList<PresetRecord> &rows, const QList<int> &rowNumbers, BatchItem::MatchBy matchBy,
                OnDuplicate onDuplicate);
    // The rows numbered from 1.
    Outcome run(const QList<PresetRecord> &rows, BatchItem::MatchBy matchBy, OnDuplicate onDuplicate);

Q_SIGNALS:
    // 0 to 100; the run ends with 100.
    void progressChanged(int percent);
    // The status line, before the closing message.
    void statusChanged(const QString &line);

private:
    struct AskedItems
    {
        QList<BatchItem> items; // up to a Cancel
        bool cancelled = false;
    };
    // The items of an Ask run; nothing when the records cannot be read (reported).
    std::optional<AskedItems> askedItems(const QList<PresetRecord> &rows, BatchItem::MatchBy matchBy);
    void reportProgress(qsizetype done, qsizetype total);

    RecordStore &m_store;
    Prompt &m_prompt;
    int m_percent = -1;
};
