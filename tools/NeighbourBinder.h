#pragma once

#include <functional>

#include <QList>
#include <QString>

#include "tools/ArpBinding.h"

class ProgramRunner;

// An IPv4 network this machine is on: the interface and its address/prefix.
struct LocalNetwork
{
    QString interfaceName;
    quint32 address = 0;
    int prefixLength = 0;
};

// Applies ARP bindings to this machine's neighbour table as permanent
// entries: `/sbin/ip neigh replace IP lladdr MAC nud permanent dev IF`, MAC
// in colon form, IF the interface whose network holds IP (the longest prefix
// wins). A process that is not root asks for the privilege through
// /usr/bin/pkexec, once per binding (polkit may keep the authorisation for a
// while).
// Runs the programs through a ProgramRunner and blocks while they run; a
// copy may run on another thread.
class NeighbourBinder
{
public:
    struct Outcome
    {
        ArpBinding binding;
        bool applied = false;
        QString interfaceName; // applied: where
        QString reason;        // not applied: why
    };

    NeighbourBinder(ProgramRunner &runner, const QList<LocalNetwork> &networks, bool asRoot);
    // Over this machine's interfaces that are up, with this process's rights.
    explicit NeighbourBinder(ProgramRunner &runner);

    static QList<LocalNetwork> localNetworks();

    // step: after each binding, with how many are done.
    QList<Outcome> apply(const QList<ArpBinding> &bindings,
                         const std::function<void(int done)> &step = {}) const;

    // What succeeded and what failed, for a "Notice" box.
    static QString report(const QList<Outcome> &outcomes);
    static bool allApplied(const QList<Outcome> &outcomes);

private:
    Outcome applyOne(const ArpBinding &binding) const;
    QString interfaceFor(quint32 address) const;

    ProgramRunner &m_runner;
    QList<LocalNetwork> m_networks;
    bool m_asRoot;
};
