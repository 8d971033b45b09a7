#include "Simulator/RegistryValueReader.h"

#include "Simulator/Frame.h"

namespace simulator {

std::optional<RegistryValueTag> RegistryValueReader::tag()
{
    if (bytes_.empty() || bytes_[0] > static_cast<std::uint8_t>(RegistryValueTag::dictionary)) {
        return std::nullopt;
    }
    const auto tag = static_cast<RegistryValueTag>(bytes_[0]);
    bytes_ = bytes_.subspan(1);
    return tag;
}

std::optional<std::uint32_t> RegistryValueReader::length()
{
    if (bytes_.size() < 4) {
        return std::nullopt;
    }
    const std::uint32_t value = loadUInt32(bytes_.data());
    bytes_ = bytes_.subspan(4);
    return value;
}

std::optional<std::int64_t> RegistryValueReader::integer()
{
    if (bytes_.size() < 8) {
        return std::nullopt;
    }
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) {
        bits = bits << 8 | bytes_[static_cast<std::size_t>(i)];
    }
    bytes_ = bytes_.subspan(8);
    return static_cast<std::int64_t>(bits);
}

std::optional<std::span<const std::uint8_t>> RegistryValueReader::bytes()
{
    const std::optional<std::uint32_t> size = length();
    if (!size || *size > bytes_.size()) {
        return std::nullopt;
    }
    const std::span<const std::uint8_t> value = bytes_.first(*size);
    bytes_ = bytes_.subspan(*size);
    return value;
}

std::optional<std::string_view> RegistryValueReader::text()
{
    const std::optional<std::span<const std::uint8_t>> value = bytes();
    if (!value) {
        return std::nullopt;
    }
    return std::string_view(reinterpret_cast<const char*>(value->data()), value->size());
}

std::optional<std::uint32_t> RegistryValueReader::count()
{
    const std::optional<std::uint32_t> elements = length();
    if (!elements || *elements > bytes_.size()) {
        return std::nullopt;
    }
    return elements;
}

}  // namespace simulator
