#include "RecordEditor.h"

#include "PresetRecord.h"
#include "ProgramState.h"
#include "Prompt.h"
#include "RecordStore.h"
#include "RecordValidation.h"

#include <optional>

RecordEditor::RecordEditor(RecordStore &store, Prompt &prompt, ProgramState &state,
                           std::function<void()> afterSave)
    : m_store(store), m_prompt(prompt), m_state(state), m_afterSave(std::move(afterSave))
{}

qint64 RecordEditor::currentId(bool *valid) const
{
    const qint64 id = m_state.CurrentRecordId.trimmed().toLongLong(valid);
    *valid = *valid && id > 0;
    return id;
}

QStringList RecordEditor::open()
{
    QStringList boxes;
    for (int k = 0; k < BoxCount; ++k)
        boxes.append(QString());
    if (m_state.CurrentRecordId.isEmpty()) {
        m_caption = QLatin1String(AddCaption);
        m_mode = Mode::Add;
    } else {
        m_caption = QLatin1String(ModifyCaption);
        m_mode = Mode::Modify;
        bool valid = false;
        const qint64 id = currentId(&valid);
        std::optional<PresetRecord> record;
        if (valid && !m_store.recordById(id, &record))
            m_prompt.error(m_store.lastError(), PromptIcon::Critical);
        if (record)
            boxes = record->fields();
    }
    m_loadedIp = boxes.at(IpBox);
    m_loadedMac = boxes.at(MacBox);
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

bool RecordEditor::macBoxLeft(QString *text)
{
    if (!RecordValidation::isValidMac(*text)) {
        m_prompt.error(QLatin1String(InvalidMacText));
        return false;
    }
    *text = text->toUpper();
    return true;
}

bool RecordEditor::probe(bool ipColumn, const QString &value, bool *taken)
{
    // The record being modified is never its own duplicate: a stored
    // lower-case MAC must not block the save that upper-cases it.
    bool valid = false;
    const qint64 exceptId = m_mode == Mode::Modify ? currentId(&valid) : 0;
    const bool ok =
        ipColumn ? m_store.isIpTaken(value, exceptId, taken) : m_store.isMacTaken(value, exceptId, taken);
    if (!ok) {
        m_prompt.error(m_store.lastError(), PromptIcon::Critical);
        return false;
    }
    if (*taken) {
        m_prompt.notice(QLatin1Char('[') + value + QLatin1String(ipColumn ? IpTakenSuffix : MacTakenSuffix));
    }
    return true;
}

RecordEditor::SaveOutcome RecordEditor::save(QStringList *boxes)
{
    while (boxes->size() < BoxCount)
        boxes->append(QString());

    // A record that another path deleted is not written again behind the
    // user's back; "Add" saves the boxes as a new one.
    qint64 id = 0;
    if (m_mode == Mode::Modify) {
        bool valid = false;
        id = currentId(&valid);
        std::optional<PresetRecord> existing;
        if (valid && !m_store.recordById(id, &existing)) {
            m_prompt.error(m_store.lastError(), PromptIcon::Critical);
            return {SaveResult::Failed};
        }
        if (!existing) {
            m_prompt.notice(QLatin1String(RecordGoneText));
            return {SaveResult::Refused};
        }
    }

    for (int box : {IpBox, MacBox}) {
        if (boxes->at(box).trimmed().isEmpty()) {
            m_prompt.notice(QLatin1String(EmptyText));
            return {SaveResult::Refused, box};
        }
    }
    if (!RecordValidation::isValidIp(boxes->at(IpBox))) {
        m_prompt.error(QLatin1String(InvalidIpText));
        return {SaveResult::Refused, IpBox};
    }
    if (!RecordValidation::isValidMac(boxes->at(MacBox))) {
        m_prompt.error(QLatin1String(InvalidMacText));
        return {SaveResult::Refused, MacBox};
    }
    (*boxes)[MacBox] = boxes->at(MacBox).toUpper();

    const QString ip = boxes->at(IpBox).trimmed();
    const QString mac = boxes->at(MacBox).trimmed();
    // Modify mode probes only what changed, so an unchanged record always saves.
    const bool probeIp = m_mode == Mode::Add || ip != m_loadedIp;
    const bool probeMac = m_mode == Mode::Add || mac != m_loadedMac;
    bool taken = false;
    if (probeIp && (!probe(true, ip, &taken) || taken))
        return {taken ? SaveResult::Refused : SaveResult::Failed};
    if (probeMac && (!probe(false, mac, &taken) || taken))
        return {taken ? SaveResult::Refused : SaveResult::Failed};

    QStringList fields;
    for (const QString &box : std::as_const(*boxes))
        fields.append(box.trimmed());
    PresetRecord record = PresetRecord::fromFields(fields, id);
    if (m_mode == Mode::Add) {
        if (!m_store.insertRecord(&record)) {
            m_prompt.error(m_store.lastError(), PromptIcon::Critical);
            return {SaveResult::Failed};
        }
    } else {
        bool found = false;
        if (!m_store.updateRecord(&record, &found)) {
            m_prompt.error(m_store.lastError(), PromptIcon::Critical);
            return {SaveResult::Failed};
        }
        if (!found) {
            m_prompt.notice(QLatin1String(RecordGoneText));
            return {SaveResult::Refused};
        }
    }

    m_state.CurrentRecordId = QString::number(record.id);
    m_loadedIp = record.ipAddress;
    m_loadedMac = record.macAddress;
    m_mode = Mode::Modify;
    m_prompt.ask({QLatin1String(SavedTitle), QLatin1String(SavedText), PromptButtons::Ok, PromptAnswer::Ok,
                  PromptIcon::Information});
    if (m_afterSave)
        m_afterSave();
    return {SaveResult::Saved};
}
