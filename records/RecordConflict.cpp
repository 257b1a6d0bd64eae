#include "records/RecordConflict.h"

#include <QStringList>

namespace {

const char *const FieldLabels[PresetRecord::FieldCount] = {"IP address", "MAC address",   "host name",
                                                           "workgroup",  "user",          "department",
                                                           "location",   "LAN interface", "comments"};

} // namespace

namespace RecordConflict {

QString describe(const PresetRecord &record)
{
    QStringList parts;
    const QStringList fields = record.fields();
    for (int k = 0; k < PresetRecord::FieldCount; ++k) {
        if (!fields.at(k).isEmpty())
            parts.append(QLatin1String(FieldLabels[k]) + QLatin1Char(' ') + fields.at(k));
    }
    return parts.isEmpty() ? QStringLiteral("no values") : parts.join(QStringLiteral(", "));
}

QString savedMeanwhileText(const PresetRecord &record)
{
    return QStringLiteral(
               "This record was changed by someone else after the editor was opened, so your changes "
               "were not saved. It now holds: %1.\r\nSave again to overwrite these values with yours.")
        .arg(describe(record));
}

QString deletedMeanwhileText(const QList<PresetRecord> &records)
{
    QStringList lines;
    for (const PresetRecord &record : records)
        lines.append(QStringLiteral("ID %1: %2").arg(record.id).arg(describe(record)));
    return QStringLiteral(
               "Nothing was deleted: %1 of the selected records were changed by someone else after the "
               "list was loaded. They now hold:\r\n%2\r\nThe list shows them as they are now.")
        .arg(records.size())
        .arg(lines.join(QStringLiteral("\r\n")));
}

} // namespace RecordConflict
