#include "records/ScratchFile.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char NamePattern[] = ".kestrel-*.tmp";

// Whether the path still names the file open on fd: the file can have been
// renamed or removed between the open and the lock.
bool stillNamed(int fd, const QByteArray &path)
{
    struct stat open = {};
    struct stat named = {};
    if (::fstat(fd, &open) != 0 || ::lstat(path.constData(), &named) != 0)
        return false;
    return open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

} // namespace

ScratchFile::ScratchFile(const QString &folder) : m_folder(folder) {}

ScratchFile::~ScratchFile()
{
    if (m_fd < 0)
        return;
    // Removed while still locked, so that no cleaner sees it unlocked first.
    if (!m_keep)
        ::unlink(QFile::encodeName(m_path).constData());
    ::close(m_fd);
}

Result<QString> ScratchFile::create()
{
    // A cleaner may take the new file between its making and its locking;
    // then another name is tried.
    for (int attempt = 0; attempt < 5; ++attempt) {
        QByteArray name = QFile::encodeName(QDir(m_folder).filePath(QStringLiteral(".kestrel-XXXXXX.tmp")));
        const int fd = ::mkostemps(name.data(), 4, O_CLOEXEC); // mode 0600
        if (fd < 0)
            return Failure{QString::fromLocal8Bit(std::strerror(errno))};
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && stillNamed(fd, name)) {
            m_fd = fd;
            m_path = QFile::decodeName(name);
            return m_path;
        }
        ::close(fd);
    }
    return Failure{QStringLiteral("No scratch file could be made in the folder.")};
}

void ScratchFile::removeLeftovers(const QString &folder)
{
    const QStringList names =
        QDir(folder).entryList({QLatin1String(NamePattern)}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        const QByteArray path = QFile::encodeName(QDir(folder).filePath(name));
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        // Held: another run is writing it now.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && stillNamed(fd, path))
            ::unlink(path.constData());
        ::close(fd);
    }
}
