#pragma once

#include <QList>
#include <QString>

// One IP address to bind to one MAC address, both as the list shows them.
struct ArpBinding
{
    QString ip;
    QString mac;

    bool operator==(const ArpBinding &) const = default;
};
