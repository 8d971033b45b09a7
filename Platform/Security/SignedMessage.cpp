#include "SignedMessage.h"

namespace platform {

SignedMessage::SignedMessage(std::string_view purpose)
{
    add(purpose);
}

SignedMessage& SignedMessage::add(std::string_view field)
{
    return add(std::span(reinterpret_cast<const std::uint8_t*>(field.data()), field.size()));
}

SignedMessage& SignedMessage::add(std::span<const std::uint8_t> field)
{
    const auto length = static_cast<std::uint64_t>(field.size());
    for (int shift = 56; shift >= 0; shift -= 8) {
        bytes_.push_back(static_cast<std::uint8_t>(length >> shift));
    }
    bytes_.insert(bytes_.end(), field.begin(), field.end());
    return *this;
}

}  // namespace platform
