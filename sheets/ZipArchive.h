#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

#include "platform/Result.h"

struct zip;

// A zip archive opened for reading its entries whole (libzip). Entry names
// are matched without regard to case, as the office formats ask of readers.
// Failures carry the cause only; the caller names the file.
class ZipArchive
{
public:
    // An entry larger than this, unpacked, is refused rather than read.
    static constexpr qint64 MaxEntrySize = qint64(256) * 1024 * 1024;

    static Result<ZipArchive> open(const QString &path);
    ZipArchive(ZipArchive &&other) noexcept : m_archive(other.m_archive) { other.m_archive = nullptr; }
    ZipArchive &operator=(ZipArchive &&) = delete;
    ZipArchive(const ZipArchive &) = delete;
    ~ZipArchive();

    // Nothing: no such entry. A failure: it is there but cannot be read.
    Result<std::optional<QByteArray>> read(const QString &name) const;

private:
    explicit ZipArchive(zip *archive) : m_archive(archive) {}

    zip *m_archive = nullptr;
};
