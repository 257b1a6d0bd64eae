#pragma once

#include "platform/Result.h"

#include <QString>

// An empty file in the data folder, ".kestrel-XXXXXX.tmp", readable by its
// owner only, that maintenance fills with a whole database before it renames
// it into place or copies from it. It is removed when the object goes,
// unless kept.
//
// A process that is killed leaves its file behind, as big as the store. So
// that the next maintenance run can remove such files without taking one
// that another process is writing at that moment, the maker holds an
// advisory lock (flock) on its file for as long as the object lives: a file
// that nobody holds is a leftover.
class ScratchFile
{
public:
    explicit ScratchFile(const QString &folder);
    ~ScratchFile();
    ScratchFile(const ScratchFile &) = delete;
    ScratchFile &operator=(const ScratchFile &) = delete;

    // Makes and locks the file; returns its path.
    Result<QString> create();
    const QString &path() const { return m_path; }
    // The file was renamed into place: leave it.
    void keep() { m_keep = true; }

    // Removes the scratch files in the folder that no process holds.
    static void removeLeftovers(const QString &folder);

private:
    QString m_folder;
    QString m_path;
    int m_fd = -1;
    bool m_keep = false;
};
