#include "records/RecordEditor.h"

#include "lists/PresetRecord.h"
#include "platform/ProgramState.h"
#include "platform/Prompt.h"
#include "records/RecordConflict.h"
#include "records/RecordStore.h"
#include "records/RecordValidation.h"

#include <optional>

RecordEditor::RecordEditor(RecordStore &store, Prompt &prompt, ProgramState &state,
                           std::function<void()> afterSave)
    : m_store(store), m_prompt(prompt), m_state(state), m_afterSave(std::move(afterSave))
{
}

std::optional<qint64> RecordEditor::currentId() const
{
    bool valid = false;
    const qint64 id = m_state.CurrentRecordId.trimmed().toLongLong(&valid);
    if (!valid || id <= 0)
        return std::nullopt;
    return id;
}

std::optional<QStringList> RecordEditor::open()
{
    QStringList boxes(BoxCount);
    bool read = true;
    if (m_state.CurrentRecordId.isEmpty()) {
        m_caption = QLatin1String(AddCaption);
        m_mode = Mode::Add;
    } else {
        m_caption = QLatin1String(ModifyCaption);
        m_mode = Mode::Modify;
        if (const std::optional<qint64> id = currentId()) {
            const Result<std::optional<PresetRecord>> record = m_store.recordById(*id);
            read = record.ok();
            if (!record)
                m_prompt.error(record.error(), PromptIcon::Critical);
            else if (*record)
                boxes = (*record)->fields();
        }
    }
    m_loadedIp = boxes.at(IpBox);
    m_loadedMac = boxes.at(MacBox);
    m_loadedFields = read ? std::optional<QStringList>(boxes) : std::nullopt;
    if (!read)
        return std::nullopt;
    return boxes;
}

QStringList RecordEditor::startAdd()
{
    m_mode = Mode::Add;
    QStringList boxes;
    for (int k = 0; k < BoxCount; ++k)
        boxes.append(QString());
    return boxes;
}

bool RecordEditor::ipBoxLeft(const QString &text)
{
    if (RecordValidation::isValidIp(text))
        return true;
    m_prompt.error(QLatin1String(InvalidIpText));
    return false;
}

std::optional<QString> RecordEditor::macBoxLeft(const QString &text)
{
    if (!RecordValidation::isValidMac(text)) {
        m_prompt.error(QLatin1String(InvalidMacText));
        return std::nullopt;
    }
    return text.toUpper();
}

std::optional<RecordEditor::SaveOutcome> RecordEditor::refuseIfGone()
{
    // A record that another path deleted is not written again behind the
    // user's back; "Add" saves the boxes as a new one.
    if (m_mode != Mode::Modify)
        return std::nullopt;
    const std::optional<qint64> current = currentId();
    Result<std::optional<PresetRecord>> existing = std::optional<PresetRecord>();
    if (current)
        existing = m_store.recordById(*current);
    if (!existing) {
        m_prompt.error(existing.error(), PromptIcon::Critical);
        return SaveOutcome{SaveResult::Failed};
    }
    if (!*existing) {
        m_prompt.notice(QLatin1String(RecordGoneText));
        return SaveOutcome{SaveResult::Refused};
    }
    return std::nullopt;
}

std::optional<RecordEditor::SaveOutcome> RecordEditor::refuseBadBoxes(const QStringList &boxes)
{
    for (int box : {IpBox, MacBox}) {
        if (boxes.at(box).trimmed().isEmpty()) {
            m_prompt.notice(QLatin1String(EmptyText));
            return SaveOutcome{SaveResult::Refused, box};
        }
    }
    if (!RecordValidation::isValidIp(boxes.at(IpBox))) {
        m_prompt.error(QLatin1String(InvalidIpText));
        return SaveOutcome{SaveResult::Refused, IpBox};
    }
    if (!RecordValidation::isValidMac(boxes.at(MacBox))) {
        m_prompt.error(QLatin1String(InvalidMacText));
        return SaveOutcome{SaveResult::Refused, MacBox};
    }
    return std::nullopt;
}

std::optional<RecordEditor::SaveOutcome> RecordEditor::refusal(const RecordStore::WriteOutcome &written,
                                                               const QString &ip, const QString &mac)
{
    switch (written.refusal) {
    case RecordStore::Refusal::None:
        return std::nullopt;
    case RecordStore::Refusal::IpTaken:
        m_prompt.notice(QLatin1Char('[') + ip + QLatin1String(IpTakenSuffix));
        break;
    case RecordStore::Refusal::MacTaken:
        m_prompt.notice(QLatin1Char('[') + mac + QLatin1String(MacTakenSuffix));
        break;
    case RecordStore::Refusal::Gone:
        m_prompt.notice(QLatin1String(RecordGoneText));
        break;
    case RecordStore::Refusal::Changed:
        // The user has now seen the other's values: the next save may replace them.
        remember(written.record);
        m_prompt.notice(RecordConflict::savedMeanwhileText(written.record));
        break;
    }
    return SaveOutcome{SaveResult::Refused};
}

void RecordEditor::remember(const PresetRecord &record)
{
    m_loadedFields = record.fields();
    m_loadedIp = record.ipAddress;
    m_loadedMac = record.macAddress;
}

RecordEditor::SaveOutcome RecordEditor::save(QStringList *boxes)
{
    while (boxes->size() < BoxCount)
        boxes->append(QString());
    if (const std::optional<SaveOutcome> refused = refuseIfGone())
        return *refused;
    const qint64 id = m_mode == Mode::Modify ? currentId().value_or(0) : 0;
    if (const std::optional<SaveOutcome> refused = refuseBadBoxes(*boxes))
        return *refused;
    (*boxes)[MacBox] = boxes->at(MacBox).toUpper();

    const QString ip = boxes->at(IpBox).trimmed();
    const QString mac = boxes->at(MacBox).trimmed();
    // Modify mode probes only what changed, so an unchanged record always saves.
    const bool probeIp = m_mode == Mode::Add || ip != m_loadedIp;
    const bool probeMac = m_mode == Mode::Add || mac != m_loadedMac;

    QStringList fields;
    for (const QString &box : std::as_const(*boxes))
        fields.append(box.trimmed());
    // The probes run in the write's own transaction, so that a record another
    // process saves meanwhile cannot slip past them.
    std::optional<PresetRecord> loaded;
    if (m_mode == Mode::Modify && m_loadedFields)
        loaded = PresetRecord::fromFields(*m_loadedFields, id);
    const Result<RecordStore::WriteOutcome> written =
        m_store.writeUnlessTaken(PresetRecord::fromFields(fields, id), probeIp, probeMac, loaded);
    if (!written) {
        m_prompt.error(written.error(), PromptIcon::Critical);
        return {SaveResult::Failed};
    }
    if (const std::optional<SaveOutcome> refused = refusal(*written, ip, mac))
        return *refused;

    m_state.CurrentRecordId = QString::number(written->record.id);
    remember(written->record);
    m_mode = Mode::Modify;
    m_prompt.ask({QLatin1String(SavedTitle), QLatin1String(SavedText), PromptButtons::Ok, PromptAnswer::Ok,
                  PromptIcon::Information});
    if (m_afterSave)
        m_afterSave();
    return {SaveResult::Saved};
}
