#pragma once

#include <QString>

// GetLocalAddress: the local host's IPv4 address or its host name.
//
// The address is the first IPv4 address of an interface that is up, running
// and not a loopback interface, in the kernel's interface order. The host's
// own name lookup is not used for it: on Linux the host name usually maps to
// 127.0.1.1, which would turn the default scan range into a loopback range.
// Empty text when there is no such interface.
namespace LocalAddress {

QString GetLocalAddress(bool wantAddress);

// The default scan range of an address a.b.c.d: the eight box texts
// a, b, c, "1", a, b, c, "255". Empty for anything but a dotted IPv4 text.
QStringList defaultRangeBoxes(const QString &address);

} // namespace LocalAddress
