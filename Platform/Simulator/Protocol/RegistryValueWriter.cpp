#include "Simulator/RegistryValueWriter.h"

#include "Simulator/Frame.h"

namespace simulator {

void RegistryValueWriter::tag(RegistryValueTag tag)
{
    out_.push_back(static_cast<std::uint8_t>(tag));
}

void RegistryValueWriter::length(std::size_t length)
{
    out_.resize(out_.size() + 4);
    storeUInt32(static_cast<std::uint32_t>(length), out_.data() + out_.size() - 4);
}

void RegistryValueWriter::none()
{
    tag(RegistryValueTag::none);
}

void RegistryValueWriter::boolean(bool value)
{
    tag(value ? RegistryValueTag::trueValue : RegistryValueTag::falseValue);
}

void RegistryValueWriter::integer(std::int64_t value)
{
    tag(RegistryValueTag::integer);
    const auto bits = static_cast<std::uint64_t>(value);
    for (int shift = 0; shift < 64; shift += 8) {
        out_.push_back(static_cast<std::uint8_t>(bits >> shift));
    }
}

void RegistryValueWriter::text(std::string_view value)
{
    tag(RegistryValueTag::text);
    length(value.size());
    out_.insert(out_.end(), value.begin(), value.end());
}

void RegistryValueWriter::data(std::span<const std::uint8_t> value)
{
    tag(RegistryValueTag::data);
    length(value.size());
    out_.insert(out_.end(), value.begin(), value.end());
}

void RegistryValueWriter::array(std::uint32_t count)
{
    tag(RegistryValueTag::array);
    length(count);
}

void RegistryValueWriter::dictionary(std::uint32_t count)
{
    tag(RegistryValueTag::dictionary);
    length(count);
}

void RegistryValueWriter::key(std::string_view name)
{
    length(name.size());
    out_.insert(out_.end(), name.begin(), name.end());
}

}  // namespace simulator
