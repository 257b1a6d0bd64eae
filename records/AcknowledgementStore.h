#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include "lists/AcknowledgedSet.h"
#include "platform/Result.h"
#include "records/Acknowledgement.h"
#include "records/RecordStore.h"

// The acknowledged findings in the record database (table T_Acknowledgement,
// one row per IP and MAC address pair, both kept in AcknowledgedSet's normal
// forms). Each operation is one connection of the record store, opened and
// closed before it returns. Failures say what could not be done, the file and
// the cause; nothing has changed then. Not thread-safe.
class AcknowledgementStore
{
public:
    explicit AcknowledgementStore(const RecordStore &store) : m_store(store) {}

    // Adds the acknowledgement, or replaces the one of the same pair (a new
    // note, author, time and expiry).
    Result<> add(const Acknowledgement &ack) const;
    // false: the pair held none.
    Result<bool> remove(const QString &ip, const QString &mac) const;
    // All of them, expired ones too, by IP then MAC.
    Result<QList<Acknowledgement>> all() const;
    // Those that have not expired at the moment at, for the lookups of one
    // analysis or report.
    Result<AcknowledgedSet> activeAt(const QDateTime &at) const;

private:
    Failure fail(const QString &what, const QString &detail) const;

    RecordStore m_store;
};
