#include "RegistryValueDecoding.h"

#include "RecentRegistryValues.h"
#include "Simulator/RegistryValueReader.h"
#include "Simulator/SharedSimmacConnection.h"

namespace platform {

namespace {

using simulator::RegistryValueReader;
using simulator::RegistryValueTag;

// Deeper nesting than any registry entry has is taken as malformed, so that
// hostile bytes cannot exhaust the stack.
constexpr int maximumDepth = 32;

template <typename T>
CFTypeRef make(T value)
{
    return std::make_shared<const CFPropertyValue>(std::move(value));
}

CFTypeRef decode(RegistryValueReader& reader, int depth)
{
    const std::optional<RegistryValueTag> tag = reader.tag();
    if (!tag) {
        return nullptr;
    }
    switch (*tag) {
    case RegistryValueTag::none:
        return nullptr;
    case RegistryValueTag::falseValue:
        return make(false);
    case RegistryValueTag::trueValue:
        return make(true);
    case RegistryValueTag::integer: {
        const std::optional<std::int64_t> value = reader.integer();
        return value ? make(*value) : nullptr;
    }
    case RegistryValueTag::text: {
        const std::optional<std::string_view> value = reader.text();
        return value ? make(std::string(*value)) : nullptr;
    }
    case RegistryValueTag::data: {
        const std::optional<std::span<const std::uint8_t>> value = reader.bytes();
        return value ? make(CFPropertyValue::Data(value->begin(), value->end())) : nullptr;
    }
    case RegistryValueTag::array: {
        const std::optional<std::uint32_t> count = reader.count();
        if (!count || depth == maximumDepth) {
            return nullptr;
        }
        CFPropertyValue::Array elements;
        elements.reserve(*count);
        for (std::uint32_t i = 0; i < *count; ++i) {
            CFTypeRef element = decode(reader, depth + 1);
            if (!element) {
                return nullptr;
            }
            elements.push_back(std::move(element));
        }
        return make(std::move(elements));
    }
    case RegistryValueTag::dictionary: {
        const std::optional<std::uint32_t> count = reader.count();
        if (!count || depth == maximumDepth) {
            return nullptr;
        }
        CFPropertyValue::Dictionary members;
        for (std::uint32_t i = 0; i < *count; ++i) {
            const std::optional<std::string_view> key = reader.text();
            CFTypeRef member = key ? decode(reader, depth + 1) : nullptr;
            if (!member) {
                return nullptr;
            }
            members.emplace(*key, std::move(member));
        }
        return make(std::move(members));
    }
    }
    return nullptr;
}

}  // namespace

CFTypeRef decodeRegistryValue(std::span<const std::uint8_t> encoded)
{
    RegistryValueReader reader(encoded);
    CFTypeRef value = decode(reader, 0);
    return reader.atEnd() ? value : nullptr;
}

CFTypeRef queryRegistryValue(const simulator::QueryCall& call)
{
    CFTypeRef value;
    simulator::SharedSimmacConnection::query(call, [&](std::span<const std::uint8_t> encoded) {
        value = RecentRegistryValues::shared().decode(call, encoded);
    });
    return value;
}

}  // namespace platform
