#include "RecordTableDump.h"

#include "CheckedQuery.h"
#include "RecordStore.h"
#include "RecordStoreSession.h"

#include <QDir>
#include <QSqlRecord>

Result<RecordTableDump> RecordTableDump::read(const RecordStore &store)
{
    RecordStoreSession session(store);
    if (!session.isOpen())
        return Failure{session.error()};
    const auto failed = [&store](const QString &cause) {
        return Failure{QStringLiteral("The records cannot be read. (%1)\r\n%2")
                           .arg(QDir::toNativeSeparators(store.databasePath()), cause)};
    };
    RecordTableDump dump;
    {
        QSqlQuery query(session.db());
        query.setForwardOnly(true);
        if (const Result<> ran =
                CheckedQuery::exec(query, QStringLiteral("select * from T_Record order by ID"));
            !ran)
            return failed(ran.error());
        const QSqlRecord fields = query.record();
        for (int f = 0; f < fields.count(); ++f)
            dump.fieldNames.append(fields.fieldName(f));
        while (true) {
            const Result<bool> next = CheckedQuery::next(query);
            if (!next)
                return failed(next.error());
            if (!*next)
                break;
            QVariantList values;
            values.reserve(fields.count());
            for (int f = 0; f < fields.count(); ++f)
                values.append(query.value(f));
            dump.rows.append(values);
        }
    }
    return dump;
}
