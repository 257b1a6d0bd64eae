#pragma once

#include <QString>
#include <QtGlobal>

#include "platform/Result.h"

// The socket layer of the probes: starting it and parsing addresses, with
// the contracts the scan and the tools were designed against.

// Whether UDP sockets can be made; the failure says "The 32-bit Windows
// Socket is not responding.". Nothing has to be stopped again afterwards.
Result<> StartWinsock();

// The 32-bit address of a dotted text in network byte order, inet_addr's
// contract: INADDR_NONE (all bits set) for a text that is not an address.
// Text beyond the address (blanks, words) makes it no address.
quint32 ParseAddress(const QString &text);
