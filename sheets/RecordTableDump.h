#pragma once

#include <QList>
#include <QStringList>
#include <QVariantList>

#include "platform/Result.h"

class RecordStore;

// Table T_Record as "select * from T_Record" gives it: the field names as the
// database spells them, in table order, and every row's values in the order
// of the IDs (NULL as a null QVariant).
struct RecordTableDump
{
    QStringList fieldNames;
    QList<QVariantList> rows;

    static Result<RecordTableDump> read(const RecordStore &store);
};
