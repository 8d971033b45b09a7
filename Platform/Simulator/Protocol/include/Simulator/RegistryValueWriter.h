#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace simulator {

// The compact binary form of a value on the wire (QueryMessage.h), shaped
// like the registry's values:
// a tag byte, then what the tag needs. Integers and lengths are little-endian.
//   none                        no value (the entry has no such property)
//   false, true
//   integer     8 bytes         signed 64-bit
//   text        u32 length, UTF-8 bytes
//   data        u32 length, bytes
//   array       u32 count, that many values
//   dictionary  u32 count, that many members: u32 key length, key, value
enum class RegistryValueTag : std::uint8_t {
    none = 0,
    falseValue = 1,
    trueValue = 2,
    integer = 3,
    text = 4,
    data = 5,
    array = 6,
    dictionary = 7,
};

// Appends values in that form to a byte vector. An array or a dictionary is
// its header followed by its elements, written one after another.
class RegistryValueWriter {
public:
    explicit RegistryValueWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    void none();
    void boolean(bool value);
    void integer(std::int64_t value);
    void text(std::string_view value);
    void data(std::span<const std::uint8_t> value);
    // Followed by `count` values.
    void array(std::uint32_t count);
    // Followed by `count` members, each a key() and a value.
    void dictionary(std::uint32_t count);
    void key(std::string_view name);

private:
    void tag(RegistryValueTag tag);
    void length(std::size_t length);

    std::vector<std::uint8_t>& out_;
};

}  // namespace simulator
