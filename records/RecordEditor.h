#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "records/RecordStore.h"

class Prompt;
struct ProgramState;

// What the record editor does, without its window: opening on
// CurrentRecordId, the checks when the IP or MAC box is left, and "Save" with
// its rules, duplicate probes, write and read-back. The dialog and the command
// line both drive it; every message goes through the prompt.
//
// The nine boxes are passed as texts: box k holds field k + 1 of T_Record.
class RecordEditor
{
public:
    enum class Mode { Add, Modify };
    enum class SaveResult { Saved, Refused, Failed };
    struct SaveOutcome
    {
        SaveResult result = SaveResult::Refused;
        int focusBox = -1; // the box to put the focus into after a refusal, -1 for none
    };

    static constexpr int BoxCount = 9;
    static constexpr int IpBox = 0;
    static constexpr int MacBox = 1;

    static constexpr const char *AddCaption = "Add to Record";
    static constexpr const char *ModifyCaption = "Modify the Record";
    static constexpr const char *EmptyText = "IP & MAC can not be empty!";
    static constexpr const char *InvalidIpText = "Invalid IP address.";
    static constexpr const char *InvalidMacText =
        "Invalid MAC address. MAC address should be \r\ndisplayed as [00-0A-E4-20-53-55] format";
    static constexpr const char *IpTakenSuffix = "] already exists in Record. This IP";
    static constexpr const char *MacTakenSuffix = "] already exists in Record. This MAC";
    static constexpr const char *RecordGoneText =
        "This record no longer exists in Record. It was deleted after the editor was opened.";
    static constexpr const char *SavedText = "Successfully saved";
    static constexpr const char *SavedTitle = "successful";

    // afterSave runs after every successful save (the record list reload).
    RecordEditor(RecordStore &store, Prompt &prompt, ProgramState &state,
                 std::function<void()> afterSave = {});

    // Opens on CurrentRecordId: empty means add mode and empty boxes; an ID
    // means modify mode with the boxes filled from that record (empty when it
    // is gone). Returns the box texts, or nothing when the record could not
    // be read: the prompt has said why, and the boxes are to be left empty.
    std::optional<QStringList> open();
    // "Add": empty boxes and add mode; caption and CurrentRecordId stay.
    QStringList startAdd();

    Mode mode() const { return m_mode; }
    QString caption() const { return m_caption; }
    QString loadedIp() const { return m_loadedIp; }
    QString loadedMac() const { return m_loadedMac; }

    // The IP box lost the focus: reports a broken rule, returns whether valid.
    bool ipBoxLeft(const QString &text);
    // The MAC box lost the focus: reports a broken rule (nothing), or
    // returns the text upper-cased for the box.
    std::optional<QString> macBoxLeft(const QString &text);

    // "Save". May upper-case the MAC box; leaves the other boxes as typed.
    // In modify mode it is refused when another saved the record since it
    // was opened (or last saved) here; the message names the new values, and
    // a second save writes over them.
    SaveOutcome save(QStringList *boxes);

private:
    // CurrentRecordId as a record ID; nothing when it is none.
    std::optional<qint64> currentId() const;
    // The steps of save(): each returns the outcome when the save ends there.
    std::optional<SaveOutcome> refuseIfGone();
    std::optional<SaveOutcome> refuseBadBoxes(const QStringList &boxes);
    std::optional<SaveOutcome> refusal(const RecordStore::WriteOutcome &written, const QString &ip,
                                       const QString &mac);
    // The record as this editor last read or saved it.
    void remember(const PresetRecord &record);

    RecordStore &m_store;
    Prompt &m_prompt;
    ProgramState &m_state;
    std::function<void()> m_afterSave;
    Mode m_mode = Mode::Add;
    QString m_caption;
    QString m_loadedIp;
    QString m_loadedMac;
    // The record's fields as last read or saved; a save in modify mode is
    // refused when the stored ones differ by then. Nothing when the record
    // could not be read.
    std::optional<QStringList> m_loadedFields;
};
