#pragma once

#include <QByteArray>
#include <QStringList>

class ListModel;
class ProgramRunner;

// The computers the picker offers: the host names and addresses of the scan
// and record lists, and the names Samba's smbtree and nmblookup find on the
// network when they are installed (each asked once, with a short time-out,
// blocking the caller). Sorted without regard to case, each name once.
class ComputerList
{
public:
    explicit ComputerList(ProgramRunner &runner);

    QStringList names(const ListModel &scanList, const ListModel &recordList) const;
    // The names and addresses of the two lists, as they stand: read on the
    // lists' thread. names() of them asks Samba's tools, on any thread.
    static QStringList listed(const ListModel &scanList, const ListModel &recordList);
    QStringList names(QStringList listed) const;

    // The server names of `smbtree -N` output ("\tNAME  comment" lines).
    static QStringList fromSmbtree(const QByteArray &output);
    // The unique names and addresses of `nmblookup -S '*'` output.
    static QStringList fromNmblookup(const QByteArray &output);

private:
    ProgramRunner &m_runner;
};
