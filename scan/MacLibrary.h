#pragma once

#include <QByteArray>
#include <QHash>
#include <QLibrary>
#include <QString>
#include <QStringList>

#include <functional>

#include "platform/Result.h"

struct MacArray;

// The ARP resolver library, loaded by name at the first ARP scan and kept for
// the life of the process (its detached workers may still run after a scan).
class MacLibrary
{
public:
    static constexpr int SlotCount = 256;
    static constexpr int SlotSize = 512;
    static constexpr int MacOffset = 256;

    // The loaded library (never nullptr), or a message for the user.
    // Looked up in NETKESTREL_MAC_LIBRARY (a path) when set and the process
    // runs without secure execution, else beside the executable, in the
    // installed library folder, and last by name.
    static Result<MacLibrary *> instance();

    // Another copy of the same library file, with a table of its own: loaded
    // with dlmopen into a link-map namespace of its own, so that its globals
    // are not shared with any other copy. Fails when the library cannot be
    // found or no further namespace can be made (glibc allows only a
    // handful). Never unloaded.
    static Result<MacLibrary *> loadSeparateCopy();

    void therad(const QByteArray &prefix, int from, int to);
    // Copies the 256 slots; table is resized to 256 * 512 bytes.
    void revData(QByteArray *table);
    // The address text (offset 0) or MAC text (MacOffset) of a slot copied by revData.
    static QString slotText(const QByteArray &table, int slot, int offset);
    void setPacing(int milliseconds);
    void setArpTimeout(int milliseconds);
    // Workers of the last therad() still waiting; -1 when the library cannot tell.
    int pendingWorkers();
    // By slot, for the filled slots of a table that revData() just copied:
    // the further MACs that answered the host besides the slot's, in the
    // order heard. Read before the next therad(); empty from a library that
    // does not tell.
    QHash<int, QStringList> furtherMacs(const QByteArray &table);

private:
    MacLibrary() = default;
    Result<> load();
    bool resolveAll(const std::function<void *(const char *)> &resolve);

    using TheradFn = int32_t (*)(const char *, int32_t, int32_t);
    using RevDataFn = void (*)(MacArray **);
    using SetIntFn = void (*)(int32_t);
    using PendingFn = int32_t (*)();
    using FurtherFn = int32_t (*)(int32_t, char *, int32_t);

    QLibrary m_library;
    TheradFn m_therad = nullptr;
    RevDataFn m_revData = nullptr;
    SetIntFn m_setPacing = nullptr;
    SetIntFn m_setArpTimeout = nullptr;
    PendingFn m_pending = nullptr;
    FurtherFn m_further = nullptr;
};
