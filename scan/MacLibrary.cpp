#include "scan/MacLibrary.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include "mac/mac.h"
#include "platform/SecureExecution.h"

#include <dlfcn.h>

namespace {

// The library a test points the program at. A process that gained a privilege
// on exec would run the caller's code with it, so it takes none.
QString givenPath()
{
    return SecureExecution::active() ? QString() : qEnvironmentVariable("NETKESTREL_MAC_LIBRARY");
}

QStringList candidatePaths()
{
    const QString given = givenPath();
    if (!given.isEmpty())
        return {given};
    QStringList paths;
    if (QCoreApplication::instance()) {
        const QString here = QCoreApplication::applicationDirPath();
        paths << here + QStringLiteral("/libmac.so") << here + QStringLiteral("/../lib/netkestrel/libmac.so");
    }
    paths << QStringLiteral(NETKESTREL_LIB_DIR "/libmac.so");
    return paths;
}

} // namespace

Result<MacLibrary *> MacLibrary::instance()
{
    static MacLibrary *loaded = nullptr;
    if (!loaded) {
        auto *library = new MacLibrary;
        const Result<> made = library->load();
        if (!made) {
            delete library; // tried again at the next scan, so a library installed meanwhile is found
            return Failure{made.error()};
        }
        loaded = library;
    }
    return loaded;
}

Result<> MacLibrary::load()
{
    const QStringList paths = candidatePaths();
    QString lastError;
    for (const QString &path : paths) {
        if (!QFileInfo::exists(path))
            continue;
        m_library.setFileName(path);
        if (m_library.load())
            break;
        lastError = m_library.errorString();
    }
    if (!m_library.isLoaded() && givenPath().isEmpty()) {
        m_library.setFileName(QStringLiteral("mac"));
        if (!m_library.load())
            lastError = lastError.isEmpty() ? m_library.errorString() : lastError;
    }
    if (m_library.isLoaded()) {
        if (resolveAll(
                [this](const char *name) { return reinterpret_cast<void *>(m_library.resolve(name)); }))
            return {};
        lastError = QStringLiteral("%1 does not export Therad and revData").arg(m_library.fileName());
        m_library.unload();
    }
    return Failure{
        QStringLiteral("The ARP resolver library libmac.so cannot be loaded (%1).\n\n"
                       "Reinstall Netkestrel, or scan with UDP instead.")
            .arg(lastError.isEmpty() ? QStringLiteral("not found beside the program") : lastError)};
}

bool MacLibrary::resolveAll(const std::function<void *(const char *)> &resolve)
{
    m_therad = reinterpret_cast<TheradFn>(resolve("Therad"));
    m_revData = reinterpret_cast<RevDataFn>(resolve("revData"));
    m_setPacing = reinterpret_cast<SetIntFn>(resolve("SetTheradPacing"));
    m_setArpTimeout = reinterpret_cast<SetIntFn>(resolve("SetArpTimeout"));
    m_pending = reinterpret_cast<PendingFn>(resolve("PendingWorkers"));
    m_further = reinterpret_cast<FurtherFn>(resolve("revFurtherMacs"));
    return m_therad && m_revData;
}

Result<MacLibrary *> MacLibrary::loadSeparateCopy()
{
    // The file that the shared copy came from, wherever the search found it.
    const Result<MacLibrary *> shared = instance();
    if (!shared)
        return shared;
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>((*shared)->m_therad), &info) == 0 || !info.dli_fname)
        return Failure{QStringLiteral("The file of the ARP resolver library cannot be found.")};
    void *handle = dlmopen(LM_ID_NEWLM, info.dli_fname, RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return Failure{QString::fromLocal8Bit(dlerror())};
    auto *copy = new MacLibrary;
    if (!copy->resolveAll([handle](const char *name) { return dlsym(handle, name); })) {
        delete copy;
        dlclose(handle);
        return Failure{QStringLiteral("%1 does not export Therad and revData")
                           .arg(QString::fromLocal8Bit(info.dli_fname))};
    }
    return copy;
}

void MacLibrary::therad(const QByteArray &prefix, int from, int to)
{
    m_therad(prefix.constData(), from, to);
}

void MacLibrary::revData(QByteArray *table)
{
    table->fill('\0', SlotCount * SlotSize);
    MacArray array{};
    array.dimensions = 1;
    array.elementSize = SlotSize;
    array.data = table->data();
    array.bounds[0].elementCount = SlotCount;
    array.bounds[0].lowerBound = 0;
    MacArray *descriptor = &array;
    m_revData(&descriptor);
}

QString MacLibrary::slotText(const QByteArray &table, int slot, int offset)
{
    const char *start = table.constData() + slot * SlotSize + offset;
    const auto length = qstrnlen(start, 255);
    return QString::fromLatin1(start, qsizetype(length)).trimmed();
}

void MacLibrary::setPacing(int milliseconds)
{
    if (m_setPacing)
        m_setPacing(milliseconds);
}

void MacLibrary::setArpTimeout(int milliseconds)
{
    if (m_setArpTimeout)
        m_setArpTimeout(milliseconds);
}

int MacLibrary::pendingWorkers()
{
    return m_pending ? m_pending() : -1;
}

QHash<int, QStringList> MacLibrary::furtherMacs(const QByteArray &table)
{
    QHash<int, QStringList> further;
    if (!m_further || table.size() < SlotCount * SlotSize)
        return further;
    for (int slot = 0; slot < SlotCount; ++slot) {
        if (slotText(table, slot, MacOffset).isEmpty())
            continue;
        char text[256];
        const int32_t length = m_further(slot, text, int32_t(sizeof text));
        if (length > 0 && length < int32_t(sizeof text))
            further.insert(slot,
                           QString::fromLatin1(text, length).split(QLatin1Char(' '), Qt::SkipEmptyParts));
    }
    return further;
}
