#pragma once

#include <QString>

// The sender's checks of host names and mail addresses. Pure functions.
namespace MailAddress {

// The top-level names a host name may end in: 14 generic names and 243
// two-letter names, blank-separated, upper case. A host's last label is
// looked up in it as a substring, so "CO" and "OM" pass as well as "COM".
const QString &topLevelNames();

// A dotted IPv4 address, or at least two dot-separated labels whose last one
// occurs in topLevelNames() (compared upper-cased, after trimming).
bool isValidHostName(const QString &host);

// Exactly one "@", and a valid host name after it.
bool isValidEmailAddress(const QString &address);

// The text after the "@" (the whole text when there is none).
QString domainOf(const QString &address);

} // namespace MailAddress
