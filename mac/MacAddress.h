#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace mac {

// A 48-bit Ethernet address as the kernel hands it over.
using MacAddress = std::array<std::uint8_t, 6>;

// "00-0A-E4-20-53-55": upper-case hexadecimal, zero padded, joined by hyphens.
std::string macText(const MacAddress &address);

} // namespace mac
