#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

#include "history/ChangeEvent.h"
#include "history/HistoryEntry.h"
#include "platform/Result.h"

class RecordStore;

// Reads the host history and the stored change events. Each call opens a
// connection of its own and closes it before it returns; the store must
// outlive the reader.
class HistoryReader
{
public:
    struct Filter
    {
        QString ipAddress;              // exactly this IP; empty for any
        QString macAddress;             // this MAC in any of its written forms; empty for any
        std::optional<QDateTime> since; // last seen at or after
        QString site = {};              // exactly this site; empty for every site
    };

    explicit HistoryReader(const RecordStore &store) : m_store(store) {}

    // The pairs that match, ordered by IP address as the lists sort it, then
    // by MAC and site.
    Result<QList<HistoryEntry>> entries(const Filter &filter) const;
    // The events at or after since (all without) of one site (every site
    // when empty), oldest first.
    Result<QList<ChangeEvent>> changes(const std::optional<QDateTime> &since = std::nullopt,
                                       const QString &site = {}) const;
    // The sites that have history or events, in text order.
    Result<QStringList> sites() const;

private:
    const RecordStore &m_store;
};
