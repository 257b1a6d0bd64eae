#include "MacLibrary.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include "mac.h"

namespace {

QStringList candidatePaths()
{
    const QString given = qEnvironmentVariable("NETKESTREL_MAC_LIBRARY");
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

MacLibrary *MacLibrary::instance(QString *error)
{
    static MacLibrary *loaded = nullptr;
    if (!loaded) {
        auto *library = new MacLibrary;
        if (library->load(error))
            loaded = library;
        else
            delete library; // tried again at the next scan, so a library installed meanwhile is found
    }
    return loaded;
}

bool MacLibrary::load(QString *error)
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
    if (!m_library.isLoaded() && qEnvironmentVariableIsEmpty("NETKESTREL_MAC_LIBRARY")) {
        m_library.setFileName(QStringLiteral("mac"));
        if (!m_library.load())
            lastError = lastError.isEmpty() ? m_library.errorString() : lastError;
    }
    if (m_library.isLoaded()) {
        m_therad = reinterpret_cast<TheradFn>(m_library.resolve("Therad"));
        m_revData = reinterpret_cast<RevDataFn>(m_library.resolve("revData"));
        m_setPacing = reinterpret_cast<SetIntFn>(m_library.resolve("SetTheradPacing"));
        m_setArpTimeout = reinterpret_cast<SetIntFn>(m_library.resolve("SetArpTimeout"));
        m_pending = reinterpret_cast<PendingFn>(m_library.resolve("PendingWorkers"));
        if (m_therad && m_revData)
            return true;
        lastError = QStringLiteral("%1 does not export Therad and revData").arg(m_library.fileName());
        m_library.unload();
    }
    if (error) {
        *error = QStringLiteral("The ARP resolver library libmac.so cannot be loaded (%1).\n\n"
                                "Reinstall Netkestrel, or scan with UDP instead.")
                     .arg(lastError.isEmpty() ? QStringLiteral("not found beside the program") : lastError);
    }
    return false;
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
