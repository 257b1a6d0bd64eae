#include "records/RecordCommands.h"

#include "lists/RecordListModel.h"
#include "platform/ProgramState.h"
#include "platform/Prompt.h"
#include "records/RecordConflict.h"
#include "records/RecordStore.h"

RecordCommands::RecordCommands(RecordStore &store, RecordListModel &list, Prompt &prompt, ProgramState &state)
    : m_store(store), m_list(list), m_prompt(prompt), m_state(state)
{
}

bool RecordCommands::addLIST()
{
    // Read everything first and replace the rows in one step: a failing
    // read leaves the list untouched, and no other command can run halfway.
    const auto records = m_store.loadAll();
    if (!records) {
        m_prompt.error(records.error(), PromptIcon::Critical);
        return false;
    }
    m_list.setRecords(*records);
    return true;
}

std::optional<int> RecordCommands::deleteSelected()
{
    if (m_list.count() == 0)
        return std::nullopt;
    const QList<int> ticked = m_list.checkedRows();
    if (ticked.isEmpty()) {
        m_prompt.notice(QLatin1String(NoneSelectedText));
        return std::nullopt;
    }
    const PromptAnswer answer =
        m_prompt.ask({QLatin1String(Prompt::NoticeTitle), QLatin1String(ConfirmDeleteText),
                      PromptButtons::OkCancel, PromptAnswer::Cancel, PromptIcon::Information});
    if (answer != PromptAnswer::Ok)
        return std::nullopt;

    // The rows as the list shows them: a record another user changed since
    // the list was loaded is not deleted unseen.
    QList<PresetRecord> loaded;
    for (int row : ticked) {
        bool ok = false;
        m_list.idText(row).toLongLong(&ok);
        if (ok) {
            loaded.append(m_list.record(row));
            m_state.CurrentRecordId = m_list.idText(row);
        }
    }
    const Result<RecordStore::DeleteOutcome> deleted = m_store.deleteUnlessChanged(loaded);
    if (!deleted) {
        m_prompt.error(deleted.error(), PromptIcon::Critical);
        return std::nullopt;
    }
    if (!deleted->changed.isEmpty()) {
        addLIST();
        m_prompt.notice(RecordConflict::deletedMeanwhileText(deleted->changed));
        return std::nullopt;
    }
    addLIST();
    m_prompt.ask({QLatin1String(Prompt::NoticeTitle), QString::fromLatin1(DeletedText).arg(deleted->deleted),
                  PromptButtons::Ok, PromptAnswer::Ok, PromptIcon::Information});
    return deleted->deleted;
}

void RecordCommands::beginAdd()
{
    m_state.CurrentRecordId.clear();
}

bool RecordCommands::beginModify()
{
    if (m_list.count() == 0)
        return false;
    if (m_list.currentRow() < 0)
        m_list.setCurrentRow(0);
    m_state.CurrentRecordId = m_list.idText(m_list.currentRow());
    return true;
}
