#pragma once

#include <QString>

#include <optional>

// The address rules of the record editor, shared by the dialog, the command
// line and the importers.
namespace RecordValidation {

// Four parts split at ".", each of 1 to 3 decimal digits with a value of at
// most 255; leading zeros are allowed (010 is 10). No blanks, no signs.
bool isValidIp(const QString &text);

// Six parts split at "-", each exactly two hexadecimal digits of either case.
bool isValidMac(const QString &text);

// The MAC in the form the scans write (upper case, split at "-") when it is
// valid once colons are read as hyphens; nothing otherwise. The importers
// store this, so that a record matches the scan rows of its host.
std::optional<QString> scanFormMac(const QString &text);

} // namespace RecordValidation
