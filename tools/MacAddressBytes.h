#pragma once

#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>

using MacBytes = std::array<quint8, 6>;

// The MAC address texts the tools accept: six parts of one or two
// hexadecimal digits, either case, split at "-" (the lists' form,
// "00-0A-E4-20-53-55") or at ":" (the form Linux tools print), one separator
// throughout. Nothing else: no blanks, no prefixes, no other count of parts.
namespace MacAddressBytes {

std::optional<MacBytes> parse(const QString &text);
// "00:0a:e4:20:53:55", the form `ip neigh` takes.
QString colonForm(const MacBytes &bytes);

} // namespace MacAddressBytes
