#include "records/DuplicateKeys.h"

DuplicateKeys::DuplicateKeys(BatchItem::MatchBy matchBy, const QList<PresetRecord> &records)
    : m_matchBy(matchBy)
{
    m_held.reserve(records.size());
    for (const PresetRecord &record : records)
        m_held.insert(folded(keyOf(matchBy, record)));
}

const QString &DuplicateKeys::keyOf(BatchItem::MatchBy matchBy, const PresetRecord &record)
{
    return matchBy == BatchItem::MatchBy::IpAddress ? record.ipAddress : record.macAddress;
}

QString DuplicateKeys::folded(const QString &key)
{
    QString result = key;
    for (QChar &c : result) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return result;
}

bool DuplicateKeys::isHeld(const PresetRecord &record)
{
    const QString key = folded(keyOf(m_matchBy, record));
    if (m_held.contains(key))
        return true;
    m_held.insert(key);
    return false;
}
