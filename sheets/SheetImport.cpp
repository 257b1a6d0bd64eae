#include "sheets/SheetImport.h"

#include "platform/Prompt.h"
#include "records/DuplicateKeys.h"
#include "records/ImportRowCheck.h"
#include "records/RecordStore.h"

namespace {

BatchItem item(const PresetRecord &record, BatchItem::MatchBy matchBy, BatchItem::OnDuplicate onDuplicate)
{
    BatchItem item;
    item.record = record;
    item.matchBy = matchBy;
    item.onDuplicate = onDuplicate;
    return item;
}

} // namespace

QString SheetImport::statusLine(int count)
{
    return QStringLiteral("Imported ") + QString::number(count) + QStringLiteral(" records;") +
           QStringLiteral("Completely import!");
}

QString SheetImport::duplicateQuestion(BatchItem::MatchBy matchBy, const QString &key)
{
    const QString condition = (matchBy == BatchItem::MatchBy::IpAddress ? QStringLiteral(" IPAddress='")
                                                                        : QStringLiteral(" MACAddress='")) +
                              key + QLatin1Char('\'');
    return QStringLiteral("Record") + condition +
           QStringLiteral(" already exists. Still continue to import?") + QStringLiteral("\r\n") +
           QStringLiteral(
               "Click Yes to overwrite the existing record, No to skip, Cancel to exit this wizard");
}

SheetImport::SheetImport(RecordStore &store, Prompt &prompt, QObject *parent)
    : QObject(parent), m_store(store), m_prompt(prompt)
{
}

void SheetImport::reportProgress(qsizetype done, qsizetype total)
{
    const int percent = total > 0 ? int(done * 100 / total) : 100;
    if (percent == m_percent)
        return;
    m_percent = percent;
    Q_EMIT progressChanged(percent);
}

std::optional<SheetImport::AskedItems> SheetImport::askedItems(const QList<PresetRecord> &rows,
                                                               BatchItem::MatchBy matchBy)
{
    const Result<QList<PresetRecord>> existing = m_store.loadAll();
    if (!existing) {
        m_prompt.error(existing.error());
        return std::nullopt;
    }
    DuplicateKeys held(matchBy, *existing);

    AskedItems asked;
    QList<BatchItem> &items = asked.items;
    items.reserve(rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const PresetRecord &row = rows.at(i);
        if (!held.isHeld(row)) {
            items.append(item(row, matchBy, BatchItem::OnDuplicate::Skip));
        } else {
            const PromptAnswer answer =
                m_prompt.ask({QLatin1String(Prompt::NoticeTitle),
                              duplicateQuestion(matchBy, DuplicateKeys::keyOf(matchBy, row)),
                              PromptButtons::YesNoCancel, PromptAnswer::No, PromptIcon::Information});
            if (answer == PromptAnswer::Cancel) {
                asked.cancelled = true;
                break;
            }
            if (answer == PromptAnswer::Yes)
                items.append(item(row, matchBy, BatchItem::OnDuplicate::Overwrite));
        }
        reportProgress(i + 1, rows.size());
    }
    return asked;
}

SheetImport::Outcome SheetImport::run(const QList<PresetRecord> &rows, BatchItem::MatchBy matchBy,
                                      OnDuplicate onDuplicate)
{
    QList<int> rowNumbers;
    rowNumbers.reserve(rows.size());
    for (int number = 1; number <= rows.size(); ++number)
        rowNumbers.append(number);
    return run(rows, rowNumbers, matchBy, onDuplicate);
}

SheetImport::Outcome SheetImport::run(const QList<PresetRecord> &givenRows, const QList<int> &rowNumbers,
                                      BatchItem::MatchBy matchBy, OnDuplicate onDuplicate)
{
    Outcome outcome;
    m_percent = -1;
    reportProgress(0, 1);
    ImportRowCheck check;
    QList<PresetRecord> rows;
    rows.reserve(givenRows.size());
    for (qsizetype i = 0; i < givenRows.size(); ++i) {
        PresetRecord row = givenRows.at(i);
        if (check.admit(&row, rowNumbers.value(i, int(i) + 1)))
            rows.append(row);
    }
    outcome.skipped = check.skippedCount();
    QList<BatchItem> items;
    if (onDuplicate == OnDuplicate::Ask) {
        std::optional<AskedItems> asked = askedItems(rows, matchBy);
        if (!asked) {
            outcome.failed = true;
            return outcome;
        }
        outcome.cancelled = asked->cancelled;
        items = std::move(asked->items);
    } else {
        const auto policy = onDuplicate == OnDuplicate::Overwrite ? BatchItem::OnDuplicate::Overwrite
                                                                  : BatchItem::OnDuplicate::Skip;
        items.reserve(rows.size());
        for (qsizetype i = 0; i < rows.size(); ++i) {
            items.append(item(rows.at(i), matchBy, policy));
            reportProgress(i + 1, rows.size());
        }
    }

    const Result<BatchOutcome> written = m_store.writeBatch(items);
    if (!written) {
        m_prompt.error(written.error());
        outcome.failed = true;
        return outcome;
    }
    outcome.count = written->added() + written->overwritten();
    Q_EMIT statusChanged(statusLine(outcome.count));
    reportProgress(1, 1);
    m_prompt.notice(check.closingText(ClosingText), PromptIcon::Exclamation);
    return outcome;
}
