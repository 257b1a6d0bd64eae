#pragma once

#include <QString>

#include "tools/ArpBinding.h"

// What a binding must be before it goes into a batch file or to `ip neigh`:
// a dotted-quad IPv4 address and a MAC of six hexadecimal parts. A list cell
// is text from a scan file or a record and may hold anything, "&" and line
// breaks included, which a batch file would run as commands of their own.
namespace ArpBindingCheck {

// Why the binding is refused; empty when it may be used.
QString refusal(const ArpBinding &binding);

} // namespace ArpBindingCheck
