#pragma once

#include <QString>
#include <QStringList>

// One row of table T_Record. The nine text fields keep their ordinal order
// (field k + 1 of the table is fields().at(k)); the editor and the import
// address them by that position.
struct PresetRecord
{
    static constexpr int FieldCount = 9;

    qint64 id = 0; // assigned by the database on insert; 0 before that
    QString ipAddress;
    QString macAddress;
    QString hostName;
    QString workgroup;
    QString user;
    QString department;
    QString location;
    QString lanInterface;
    QString comments;

    QStringList fields() const
    {
        return {ipAddress,  macAddress, hostName,     workgroup, user,
                department, location,   lanInterface, comments};
    }

    // Missing trailing fields read as empty text.
    static PresetRecord fromFields(const QStringList &fields, qint64 id = 0)
    {
        PresetRecord r;
        r.id = id;
        r.ipAddress = fields.value(0);
        r.macAddress = fields.value(1);
        r.hostName = fields.value(2);
        r.workgroup = fields.value(3);
        r.user = fields.value(4);
        r.department = fields.value(5);
        r.location = fields.value(6);
        r.lanInterface = fields.value(7);
        r.comments = fields.value(8);
        return r;
    }
};
