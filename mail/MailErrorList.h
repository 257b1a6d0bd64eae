#pragma once

#include <QString>
#include <QStringList>

// An ordered list of messages for the user, keyed by their text: each message
// stands in it at most once, however often it is added.
class MailErrorList
{
public:
    void add(const QString &message);
    void remove(const QString &message);
    // Adds the message when `invalid`, else removes it.
    void set(const QString &message, bool invalid);
    void clear() { m_messages.clear(); }

    bool isEmpty() const { return m_messages.isEmpty(); }
    bool contains(const QString &message) const { return m_messages.contains(message); }
    const QStringList &messages() const { return m_messages; }

private:
    QStringList m_messages;
};
