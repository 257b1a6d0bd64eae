#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>

// Which findings are acknowledged, and until when: a snapshot of the
// acknowledgements taken once per analysis or report, so that asking about
// each finding costs one hash lookup and no database. A finding is named by
// the IP and MAC address of its scan row. A value type; cheap to copy.
class AcknowledgedSet
{
public:
    // The forms in which addresses are compared and stored. IP: the four
    // parts without leading zeros ("010.0.0.1" is "10.0.0.1"); text that is
    // no IP address comes back trimmed and unchanged. MAC: upper-case with
    // "-" between the parts, ":" accepted in place of "-".
    static QString normalIp(const QString &ip);
    static QString normalMac(const QString &mac);

    // until: the last moment the acknowledgement holds; invalid for ever.
    void insert(const QString &ip, const QString &mac, const QDateTime &until = {});
    // Whether the pair holds an acknowledgement that has not expired at the
    // moment at (in any time zone; compared as instants).
    bool isAcknowledged(const QString &ip, const QString &mac, const QDateTime &at) const;

    int size() const { return int(m_until.size()); }
    bool isEmpty() const { return m_until.isEmpty(); }

private:
    static QString key(const QString &ip, const QString &mac);

    QHash<QString, QDateTime> m_until;
};
