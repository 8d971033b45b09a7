#pragma once

#include "Bytes.h"

#include <span>
#include <string_view>

namespace platform {

// The exact bytes a signature is made over. Every field is written with its
// length in front, so that no two different sets of fields give the same bytes
// (an identifier cannot borrow characters from the team identifier after it).
class SignedMessage {
public:
    explicit SignedMessage(std::string_view purpose);

    SignedMessage& add(std::string_view field);
    SignedMessage& add(std::span<const std::uint8_t> field);

    const Bytes& bytes() const { return bytes_; }

private:
    Bytes bytes_;
};

}  // namespace platform
