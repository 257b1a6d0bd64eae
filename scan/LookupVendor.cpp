#include "scan/LookupVendor.h"

#include "scan/VendorFileIndex.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <memory>

namespace {

struct FileStamp
{
    qint64 size = -1;
    QDateTime modified;
    QDateTime metadataChanged;

    bool operator==(const FileStamp &) const = default;
};

FileStamp stampOf(const QFileInfo &info)
{
    return {info.size(), info.lastModified(), info.metadataChangeTime()};
}

std::shared_ptr<const VendorFileIndex> readIndex(const QString &path)
{
    QFile file(path);
    // Read access only: the installed data file is not writable by its users.
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    // Read into memory rather than mapped: another program truncating the
    // file while it is indexed must not bring the scan down with SIGBUS.
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return nullptr;
    return std::make_shared<const VendorFileIndex>(bytes);
}

// One index per data file path, shared by all threads.
class VendorIndexCache
{
public:
    std::shared_ptr<const VendorFileIndex> indexOf(const QString &path)
    {
        const QFileInfo info(path);
        QMutexLocker lock(&m_mutex);
        if (!info.isFile()) {
            m_entries.remove(path);
            return nullptr;
        }
        // The stamp is taken before reading, so a change during the read shows
        // as a new stamp on the next call.
        const FileStamp stamp = stampOf(info);
        const auto found = m_entries.constFind(path);
        if (found != m_entries.constEnd() && found->stamp == stamp)
            return found->index;

        auto index = readIndex(path);
        if (index)
            m_entries.insert(path, {stamp, index});
        else
            m_entries.remove(path);
        return index;
    }

private:
    struct Entry
    {
        FileStamp stamp;
        std::shared_ptr<const VendorFileIndex> index;
    };

    QMutex m_mutex;
    QHash<QString, Entry> m_entries;
};

Q_GLOBAL_STATIC(VendorIndexCache, vendorIndexCache)

} // namespace

QString LookupVendor(const QString &path, const QString &key)
{
    if (path.isEmpty() || key.size() != VendorFileIndex::KeyLength)
        return {};
    const auto index = vendorIndexCache()->indexOf(path);
    if (!index)
        return {};
    return index->vendorOf(key.toUtf8());
}
