#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Raw bytes as they appear in keys, digests and signatures, and their
// lower-case hexadecimal text form used in the signing records.
using Bytes = std::vector<std::uint8_t>;

std::string toHex(std::span<const std::uint8_t> bytes);

// Nothing when the text has an odd length or a character that is not a hex digit.
std::optional<Bytes> fromHex(std::string_view text);

}  // namespace platform
