#pragma once

#include <optional>

class Prompt;
class RecordListModel;
class RecordStore;
struct ProgramState;

// The record commands that act on the record list as a whole: its reload
// from the database (addLIST), Delete Selected, and the entries of Add and
// Modify, which set CurrentRecordId before the editor opens.
class RecordCommands
{
public:
    static constexpr const char *NoneSelectedText = "No records were selected.";
    static constexpr const char *ConfirmDeleteText =
        "You are going to delete all the selected items from Database list? \r\nConfirm it before continue.";
    static constexpr const char *DeletedText = "Successfully deleted %1 records ";

    RecordCommands(RecordStore &store, RecordListModel &list, Prompt &prompt, ProgramState &state);

    RecordStore &store() { return m_store; }
    RecordListModel &list() { return m_list; }
    Prompt &prompt() { return m_prompt; }
    ProgramState &state() { return m_state; }

    // Refills the record list in the order of the IDs. A database error is
    // reported and leaves the list as it was; returns false then.
    bool addLIST();

    // Deletes the ticked records after the confirmation and reloads the list.
    // Returns how many went, or nothing when the command ended early (no
    // rows, none ticked, not confirmed, a database error).
    std::optional<int> deleteSelected();

    // Add: the editor is to add a record.
    void beginAdd();
    // Modify: the editor is to change the highlighted record. With no row
    // highlighted the list names its first row as current, highlights it and
    // that record is changed. False (and nothing changes) on an empty list.
    bool beginModify();

private:
    RecordStore &m_store;
    RecordListModel &m_list;
    Prompt &m_prompt;
    ProgramState &m_state;
};
