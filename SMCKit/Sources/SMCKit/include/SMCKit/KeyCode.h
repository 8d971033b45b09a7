#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "smc/smc.h"

namespace smckit {

// A four-character SMC key or data-type code as a 32-bit number, the first
// character in the most significant byte ("#KEY" is 0x234B4559). Code passes
// keys as string literals wherever a code is expected: read<float>("VD0R").
// A literal that is not four ASCII characters does not compile.
class KeyCode {
public:
    consteval KeyCode(const char (&literal)[5]) : value_(fromLiteral(literal)) {}
    constexpr KeyCode(std::uint32_t code) : value_(code) {}

    // Exactly four bytes of text; anything else is a programming error and
    // stops the process.
    static KeyCode fromStaticString(std::string_view text);
    // The first four characters of `chars`, the first most significant; the
    // fifth is ignored.
    static KeyCode fromCharArray(const UInt32Char_t chars);

    // The four bytes from most to least significant, then NUL.
    std::array<char, 5> toCharArray() const;
    // Four characters, each byte taken as the code point of the same number
    // (a byte of 0x80 or above becomes its Latin-1 character), UTF-8 encoded.
    std::string toString() const;

    constexpr std::uint32_t value() const { return value_; }
    constexpr operator std::uint32_t() const { return value_; }

private:
    static consteval std::uint32_t fromLiteral(const char (&literal)[5])
    {
        std::uint32_t code = 0;
        for (int i = 0; i < 4; ++i) {
            const auto byte = static_cast<unsigned char>(literal[i]);
            if (byte == 0 || byte >= 0x80) {
                throw "an SMC key or type literal is exactly four ASCII characters";
            }
            code = code << 8 | byte;
        }
        return code;
    }

    std::uint32_t value_;
};

}  // namespace smckit
