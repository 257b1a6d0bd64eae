#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace mac {

// A 48-bit Ethernet address as the kernel hands it over.
using MacAddress = std::array<std::uint8_t, 6>;

// "00-0A-E4-20-53-55": upper-case hexadecimal, zero padded, joined by hyphens.
std::string macText(const MacAddress &address);

// The further MACs that answered one address besides the first: distinct,
// in the order heard, at most maxFurtherMacs (a flood of forged replies
// costs no more than that).
using FurtherMacs = std::vector<MacAddress>;
inline constexpr std::size_t maxFurtherMacs = 7;

// Adds mac to further unless it is first or already there, or further is full.
inline void addFurtherMac(FurtherMacs &further, const MacAddress &first, const MacAddress &mac)
{
    if (mac != first && further.size() < maxFurtherMacs &&
        std::find(further.begin(), further.end(), mac) == further.end())
        further.push_back(mac);
}

} // namespace mac
