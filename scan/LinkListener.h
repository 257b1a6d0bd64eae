#pragma once

#include <QObject>
#include <QString>

#include <memory>

#include "platform/Result.h"
#include "scan/HeardFrame.h"

// Hears who claims which address on one interface between scans: ARP and
// IPv6 neighbour discovery, through netkestrel-arp (the one program that
// holds CAP_NET_RAW), which filters the link's traffic in the kernel. The
// engine turns what it hears into change events; this class only hears.
//
// Threading: lives on the thread that opened it; frames arrive through its
// event loop.
class LinkListener : public QObject
{
    Q_OBJECT

public:
    // Starts listening on interfaceName; a message in the program's words
    // when the helper cannot be started or refuses the interface.
    static Result<std::unique_ptr<LinkListener>> open(const QString &interfaceName,
                                                      QObject *parent = nullptr);
    ~LinkListener() override;

Q_SIGNALS:
    void heard(const HeardFrame &frame);
    // Nothing more will be heard (the helper ended, the interface went
    // away); message says why in the program's words.
    void lost(const QString &message);

protected:
    // For the listener that the helper feeds, and for tests' own.
    explicit LinkListener(QObject *parent = nullptr);
};
