#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "Simulator/RegistryValueWriter.h"

namespace simulator {

// Reads values in RegistryValueWriter's form, one piece at a time, from the
// front of a byte span. Every read gives nothing when the bytes end too early
// or do not make sense, so that a decoder can refuse the whole value.
class RegistryValueReader {
public:
    explicit RegistryValueReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    // The next value's tag; nothing for an unknown one.
    std::optional<RegistryValueTag> tag();
    // The 8 bytes after an integer tag.
    std::optional<std::int64_t> integer();
    // The length and bytes after a text or data tag, or of a dictionary key.
    std::optional<std::span<const std::uint8_t>> bytes();
    std::optional<std::string_view> text();
    // The element count after an array or dictionary tag; nothing when fewer
    // bytes are left than the elements need (a byte each at least).
    std::optional<std::uint32_t> count();

    bool atEnd() const { return bytes_.empty(); }

private:
    std::optional<std::uint32_t> length();

    std::span<const std::uint8_t> bytes_;
};

}  // namespace simulator
