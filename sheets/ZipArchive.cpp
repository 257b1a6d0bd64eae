#include "sheets/ZipArchive.h"

#include <QFile>

#include <zip.h>

Result<ZipArchive> ZipArchive::open(const QString &path)
{
    int code = 0;
    zip *archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    if (!archive) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const QString cause = QString::fromUtf8(zip_error_strerror(&error));
        zip_error_fini(&error);
        return Failure{cause};
    }
    return ZipArchive(archive);
}

ZipArchive::~ZipArchive()
{
    if (m_archive)
        zip_discard(m_archive);
}

Result<std::optional<QByteArray>> ZipArchive::read(const QString &name) const
{
    const QByteArray entryName = name.toUtf8();
    const zip_int64_t index = zip_name_locate(m_archive, entryName.constData(), ZIP_FL_NOCASE);
    if (index < 0)
        return std::optional<QByteArray>();
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(m_archive, zip_uint64_t(index), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE))
        return Failure{QString::fromUtf8(zip_strerror(m_archive))};
    if (stat.size > zip_uint64_t(MaxEntrySize))
        return Failure{QStringLiteral("%1 is too large.").arg(name)};
    zip_file_t *file = zip_fopen_index(m_archive, zip_uint64_t(index), 0);
    if (!file)
        return Failure{QString::fromUtf8(zip_strerror(m_archive))};
    QByteArray bytes(qsizetype(stat.size), Qt::Uninitialized);
    const zip_int64_t got = zip_fread(file, bytes.data(), stat.size);
    QString cause;
    if (got < 0 || zip_uint64_t(got) != stat.size)
        cause = QString::fromUtf8(zip_file_strerror(file));
    // Closing checks the entry's CRC over what was read.
    const int closed = zip_fclose(file);
    if (cause.isEmpty() && closed != 0)
        cause = QStringLiteral("%1 is damaged.").arg(name);
    if (!cause.isEmpty())
        return Failure{cause};
    return std::optional<QByteArray>(bytes);
}
