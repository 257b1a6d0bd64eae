#include "mac/MacAddress.h"

namespace mac {

std::string macText(const MacAddress &address)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(17);
    for (std::size_t i = 0; i < address.size(); ++i) {
        if (i > 0)
            text += '-';
        text += digits[address[i] >> 4];
        text += digits[address[i] & 0x0F];
    }
    return text;
}

} // namespace mac
