#include "records/AcknowledgementStore.h"

#include "records/CheckedQuery.h"
#include "records/RecordStoreSession.h"

#include <QSqlQuery>
#include <QVariant>

namespace {

const QString CannotSave = QStringLiteral("The acknowledgement cannot be saved.");
const QString CannotRemove = QStringLiteral("The acknowledgement cannot be withdrawn.");
const QString CannotRead = QStringLiteral("The acknowledgements cannot be read.");

QVariant textOrNull(const QString &text)
{
    return text.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text);
}

} // namespace

Failure AcknowledgementStore::fail(const QString &what, const QString &detail) const
{
    return Failure{QStringLiteral("%1 (%2)\r\n%3").arg(what, m_store.location(), detail)};
}

Result<> AcknowledgementStore::add(const Acknowledgement &ack) const
{
    RecordStoreSession session(m_store);
    if (!session.isOpen())
        return Failure{session.error()};
    QSqlQuery query(session.db());
    const Result<> done = CheckedQuery::exec(
        query,
        QStringLiteral(
            "INSERT INTO T_Acknowledgement (IPAddress, MACAddress, Note, AckBy, AckedAt, ExpiresAt) "
            "VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT (IPAddress, MACAddress) DO UPDATE SET "
            "Note = excluded.Note, AckBy = excluded.AckBy, AckedAt = excluded.AckedAt, "
            "ExpiresAt = excluded.ExpiresAt"),
        {AcknowledgedSet::normalIp(ack.ip), AcknowledgedSet::normalMac(ack.mac), ack.note, ack.by,
         Acknowledgement::isoText(ack.at), textOrNull(Acknowledgement::isoText(ack.until))});
    if (!done)
        return fail(CannotSave, done.error());
    return {};
}

Result<bool> AcknowledgementStore::remove(const QString &ip, const QString &mac) const
{
    RecordStoreSession session(m_store);
    if (!session.isOpen())
        return Failure{session.error()};
    QSqlQuery query(session.db());
    const Result<> done = CheckedQuery::exec(
        query, QStringLiteral("DELETE FROM T_Acknowledgement WHERE IPAddress = ? AND MACAddress = ?"),
        {AcknowledgedSet::normalIp(ip), AcknowledgedSet::normalMac(mac)});
    if (!done)
        return fail(CannotRemove, done.error());
    return query.numRowsAffected() > 0;
}

Result<QList<Acknowledgement>> AcknowledgementStore::all() const
{
    RecordStoreSession session(m_store);
    if (!session.isOpen())
        return Failure{session.error()};
    QSqlQuery query(session.db());
    query.setForwardOnly(true);
    if (const Result<> done = CheckedQuery::exec(
            query, QStringLiteral("SELECT IPAddress, MACAddress, Note, AckBy, AckedAt, ExpiresAt "
                                  "FROM T_Acknowledgement ORDER BY IPAddress, MACAddress"));
        !done)
        return fail(CannotRead, done.error());
    QList<Acknowledgement> acks;
    for (;;) {
        const Result<bool> row = CheckedQuery::next(query);
        if (!row)
            return fail(CannotRead, row.error());
        if (!*row)
            break;
        acks.append({query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                     query.value(3).toString(), Acknowledgement::fromIsoText(query.value(4).toString()),
                     Acknowledgement::fromIsoText(query.value(5).toString())});
    }
    return acks;
}

Result<AcknowledgedSet> AcknowledgementStore::activeAt(const QDateTime &at) const
{
    const Result<QList<Acknowledgement>> acks = all();
    if (!acks)
        return Failure{acks.error()};
    AcknowledgedSet set;
    for (const Acknowledgement &ack : *acks) {
        if (ack.isActiveAt(at))
            set.insert(ack.ip, ack.mac, ack.until);
    }
    return set;
}
