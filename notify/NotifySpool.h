#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "platform/Result.h"

// The lines that wait for the URL notifier, kept in the folder
// "notify-spool" of the data folder, one file a line, until the receiver
// has taken them: a receiver that is down, or a watch that is stopped or
// killed, loses nothing. One watch at a time sends a data folder's spool.
//
// A file is written whole (QSaveFile) and readable by its owner only. Its
// name is a sequence number that continues the highest one in the folder,
// so the names sort in the order the lines came, whatever the clock does.
// The spool is bounded in files and bytes; a line that does not fit is
// refused with a message, never dropped unsaid. The files are anybody's to
// edit, so a file that is too long or no JSON object is set aside, not sent.
class NotifySpool
{
public:
    static constexpr const char *FolderName = "notify-spool";
    static constexpr int MaxFiles = 10000;
    static constexpr qint64 MaxBytes = 64 * 1024 * 1024;
    static constexpr qint64 MaxLineBytes = 256 * 1024;

    explicit NotifySpool(const QString &dataFolder);

    QString folder() const { return m_folder; }

    // Writes the line as a file of its own.
    Result<> keep(const QByteArray &line);
    // The files waiting, oldest first.
    QStringList pending() const;
    Result<QByteArray> read(const QString &file) const;
    // The receiver has it.
    Result<> remove(const QString &file) const;
    // Renames a file that cannot be sent out of the queue (".damaged"), so
    // that it stays for someone to look at; returns the name it now has.
    QString setAside(const QString &file) const;

private:
    QString m_folder;
    qint64 m_next = -1; // the next file's number; found on the first keep
};
