#include "mail/MailErrorList.h"

void MailErrorList::add(const QString &message)
{
    if (!m_messages.contains(message))
        m_messages.append(message);
}

void MailErrorList::remove(const QString &message)
{
    m_messages.removeAll(message);
}

void MailErrorList::set(const QString &message, bool invalid)
{
    if (invalid)
        add(message);
    else
        remove(message);
}
