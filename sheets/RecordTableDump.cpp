#include "sheets/RecordTableDump.h"

#include "records/CheckedQuery.h"
#include "records/RecordStore.h"
#include "records/RecordStoreSession.h"
#include "records/RecordTable.h"
#include "records/SqlEngine.h"

#include <QDir>
#include <QSqlRecord>

Result<RecordTableDump> RecordTableDump::read(const RecordStore &store)
{
    RecordStoreSession session(store);
    if (!session.isOpen())
        return Failure{session.error()};
    const auto failed = [&store](const QString &cause) {
        return Failure{QStringLiteral("The records cannot be read. (%1)\r\n%2").arg(store.location(), cause)};
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
        // A server folds unquoted names to lower case; the sheet keeps the
        // program's spelling of its own columns.
        const QStringList known = SqlEngine::isPostgres(session.db()) ? RecordTable::columnNames()
                                                                      : QStringList();
        for (int f = 0; f < fields.count(); ++f) {
            QString name = fields.fieldName(f);
            for (const QString &own : known) {
                if (own.compare(name, Qt::CaseInsensitive) == 0)
                    name = own;
            }
            dump.fieldNames.append(name);
        }
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
