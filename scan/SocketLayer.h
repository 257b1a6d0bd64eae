#pragma once

#include <QString>
#include <QtGlobal>

// The socket layer of the probes: starting it and parsing addresses, with
// the contracts the scan and the tools were designed against.

// True when UDP sockets can be made. On failure the out text (when given)
// becomes "The 32-bit Windows Socket is not responding.". Nothing has to be
// stopped again afterwards.
bool StartWinsock(QString *errorText = nullptr);

// The 32-bit address of a dotted text in network byte order, inet_addr's
// contract: INADDR_NONE (all bits set) for a text that is not an address.
// Text beyond the address (blanks, words) makes it no address.
quint32 ParseAddress(const QString &text);
