#include "records/ScanRowImport.h"

#include <cmath>

#include "lists/ScanListModel.h"
#include "platform/Prompt.h"
#include "records/DuplicateKeys.h"
#include "records/ImportRowCheck.h"
#include "records/RecordStore.h"

ScanRowImport::ScanRowImport(const RecordStore &store, Prompt &prompt) : m_store(store), m_prompt(prompt) {}

PresetRecord ScanRowImport::recordFor(const ScanRow &row)
{
    PresetRecord record;
    record.ipAddress = row.ipAddress;
    record.macAddress = row.macAddress;
    record.hostName = row.hostName;
    record.workgroup = row.workgroup;
    return record;
}

QString ScanRowImport::condition(BatchItem::MatchBy matchBy, const ScanRow &row)
{
    return matchBy == BatchItem::MatchBy::IpAddress
               ? QStringLiteral(" IPAddress='") + row.ipAddress + QLatin1Char('\'')
               : QStringLiteral(" MACAddress='") + row.macAddress + QLatin1Char('\'');
}

QString ScanRowImport::duplicateQuestion(BatchItem::MatchBy matchBy, const ScanRow &row)
{
    return condition(matchBy, row) +
           QStringLiteral(
               " already exists. Still continue to add?\r\n"
               "Click 'Yes' to overwrite the existing record, 'No' to skip, Cancel to exit this wizard");
}

QString ScanRowImport::statusText(int count)
{
    return QStringLiteral("Successfully added %1 items to database!").arg(count);
}

int ScanRowImport::progressPercent(int position, int rowCount)
{
    // Computed as a double and rounded to nearest-even, the way an integer
    // property takes a fractional value.
    return int(std::nearbyint(double(position) / double(rowCount) * 100.0));
}

std::optional<bool> ScanRowImport::askOverwrite(BatchItem::MatchBy matchBy, const ScanRow &row)
{
    const PromptAnswer answer =
        m_prompt.ask({QLatin1String(Prompt::NoticeTitle), duplicateQuestion(matchBy, row),
                      PromptButtons::YesNoCancel, PromptAnswer::No, PromptIcon::Information});
    if (answer == PromptAnswer::Cancel)
        return std::nullopt;
    return answer == PromptAnswer::Yes;
}

Result<ScanRowImport::Outcome> ScanRowImport::run(const ScanListModel &list, const Options &options)
{
    QList<ScanRow> rows;
    rows.reserve(list.count());
    for (int row = 0; row < list.count(); ++row)
        rows.append(list.scanRow(row));
    return run(rows, list.checkedRows(), options);
}

Result<ScanRowImport::Outcome> ScanRowImport::run(const QList<ScanRow> &rows, const QList<int> &ticked,
                                                  const Options &options)
{
    // Only a run that asks needs to know the duplicates before the write;
    // otherwise the batch write itself decides each row against the store.
    std::optional<DuplicateKeys> held;
    if (options.onDuplicate == OnDuplicate::Ask) {
        const Result<QList<PresetRecord>> present = m_store.loadAll();
        if (!present) {
            m_prompt.error(present.error(), PromptIcon::Critical);
            return Failure{present.error()};
        }
        held.emplace(options.matchBy, *present);
    }

    Outcome outcome;
    ImportRowCheck check(ImportRowCheck::SilentHosts::Kept);
    QList<BatchItem> items;
    items.reserve(ticked.size());
    for (const int index : ticked) {
        BatchItem item;
        item.record = recordFor(rows.at(index));
        if (!check.admit(&item.record, index + 1)) {
            if (m_progress)
                m_progress(progressPercent(index + 1, int(rows.size())));
            continue;
        }
        ScanRow stored = rows.at(index);
        stored.macAddress = item.record.macAddress; // what the question names
        item.matchBy = options.matchBy;
        item.overwrittenFields = MappedFields;
        item.onDuplicate = options.onDuplicate == OnDuplicate::Overwrite ? BatchItem::OnDuplicate::Overwrite
                                                                         : BatchItem::OnDuplicate::Skip;
        bool write = true;
        if (held && held->isHeld(item.record)) {
            const std::optional<bool> overwrite = askOverwrite(options.matchBy, stored);
            if (!overwrite) {
                // Cancel ends the decisions here. What was decided before it
                // is still written below and reported by the closing
                // message: the rows answered so far are not thrown away.
                outcome.cancelled = true;
                break;
            }
            item.onDuplicate = BatchItem::OnDuplicate::Overwrite;
            write = *overwrite; // No leaves the record alone
        }
        if (write)
            items.append(item);
        if (m_progress)
            m_progress(progressPercent(index + 1, int(rows.size())));
    }

    const Result<BatchOutcome> written = m_store.writeBatch(items);
    if (!written) {
        m_prompt.error(written.error(), PromptIcon::Critical);
        return Failure{written.error()};
    }
    outcome.batch = *written;
    outcome.count = written->added() + written->overwritten();
    outcome.skipped = check.skippedCount();
    if (m_status)
        m_status(statusText(outcome.count));
    if (m_progress)
        m_progress(100);
    m_prompt.notice(check.closingText(ClosingText));
    return outcome;
}
