#include "cli/PasswordFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

Result<PasswordFile> PasswordFile::read(const QString &path)
{
    auto refusal = [&path](const QString &why) {
        return Failure{QStringLiteral("the password file \"%1\" %2").arg(path, why)};
    };
    // Without O_NONBLOCK a FIFO with no writer would hold the open for ever.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return refusal(
            QStringLiteral("cannot be read (%1).").arg(QString::fromLocal8Bit(std::strerror(errno))));
    struct stat status
    {
    };
    const bool plain = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    QByteArray bytes(MaxBytes + 1, '\0');
    qint64 got = 0;
    for (ssize_t n = 0;
         plain && got < bytes.size() && (n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got))) > 0;)
        got += n;
    ::close(fd);
    if (!plain)
        return refusal(QStringLiteral("is not a plain file."));
    if (got > MaxBytes)
        return refusal(
            QStringLiteral("is larger than %1 bytes; it should hold the password on its first line.")
                .arg(MaxBytes));
    bytes.truncate(got);
    const qsizetype end = bytes.indexOf('\n');
    QByteArray line = end < 0 ? bytes : bytes.left(end);
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.isEmpty())
        return refusal(QStringLiteral("is empty: its first line should hold the password."));
    return PasswordFile{QString::fromUtf8(line), (status.st_mode & (S_IRGRP | S_IROTH)) != 0};
}
