#include "SMCKit/KeyCode.h"

#include <cstdio>
#include <cstdlib>

namespace smckit {

KeyCode KeyCode::fromStaticString(std::string_view text)
{
    if (text.size() != 4) {
        std::fprintf(stderr, "SMC key \"%.*s\" is not four bytes long\n", static_cast<int>(text.size()), text.data());
        std::abort();
    }
    return fromCharArray(text.data());
}

KeyCode KeyCode::fromCharArray(const UInt32Char_t chars)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(chars[0])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(chars[1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(chars[2])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(chars[3]));
}

std::array<char, 5> KeyCode::toCharArray() const
{
    return {static_cast<char>(value_ >> 24), static_cast<char>(value_ >> 16), static_cast<char>(value_ >> 8),
            static_cast<char>(value_), '\0'};
}

std::string KeyCode::toString() const
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto byte = static_cast<unsigned char>(value_ >> shift);
        if (byte < 0x80) {
            text.push_back(static_cast<char>(byte));
        } else {
            text.push_back(static_cast<char>(0xC0 | byte >> 6));
            text.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
        }
    }
    return text;
}

}  // namespace smckit
