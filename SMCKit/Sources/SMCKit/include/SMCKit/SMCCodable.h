#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <concepts>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <type_traits>
#include <vector>

#include "SMCKit/DataType.h"

namespace smckit {

// The 32-byte value block of an SMC key; only the first (key size) bytes carry
// the value, the rest are zero.
using SMCBytes = std::array<std::uint8_t, 32>;

// The first 32 bytes of `bytes`, the rest of the block zero.
inline SMCBytes smcBytes(std::span<const std::uint8_t> bytes)
{
    SMCBytes block{};
    std::copy_n(bytes.begin(), std::min(bytes.size(), block.size()), block.begin());
    return block;
}

// The in-memory bytes of `value`, in host order.
template <typename T>
    requires std::is_trivially_copyable_v<T>
std::vector<std::uint8_t> toBytes(const T& value)
{
    std::vector<std::uint8_t> bytes(sizeof(T));
    std::memcpy(bytes.data(), &value, sizeof(T));
    return bytes;
}

// A T loaded from the start of `bytes`, in host order. Fewer bytes than a T
// is a programming error and stops the process.
template <typename T>
    requires std::is_trivially_copyable_v<T>
T fromBytes(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < sizeof(T)) {
        std::fprintf(stderr, "fromBytes: %zu bytes cannot hold a value of %zu bytes\n", bytes.size(), sizeof(T));
        std::abort();
    }
    T value;
    std::memcpy(&value, bytes.data(), sizeof(T));
    return value;
}

// How a value type travels in a value block. Specialised for every type that
// conforms to SMCCodable: its smcDataType, its decoding from a value block and
// its encoding into one (either may throw SMCError).
template <typename T>
struct SMCCoding;

template <typename T>
concept SMCCodable = requires(const SMCBytes& block, const T& value) {
    { SMCCoding<T>::smcDataType } -> std::convertible_to<DataType>;
    { SMCCoding<T>::decode(block) } -> std::same_as<T>;
    { SMCCoding<T>::encode(value) } -> std::same_as<SMCBytes>;
};

namespace detail {

template <typename T>
constexpr DataType integerDataType()
{
    if constexpr (std::is_same_v<T, std::uint8_t>) return DataTypes::UInt8;
    else if constexpr (std::is_same_v<T, std::uint16_t>) return DataTypes::UInt16;
    else if constexpr (std::is_same_v<T, std::uint32_t>) return DataTypes::UInt32;
    else if constexpr (std::is_same_v<T, std::uint64_t>) return DataTypes::UInt64;
    else if constexpr (std::is_same_v<T, std::int8_t>) return DataTypes::Int8;
    else if constexpr (std::is_same_v<T, std::int16_t>) return DataTypes::Int16;
    else if constexpr (std::is_same_v<T, std::int32_t>) return DataTypes::Int32;
    else return DataTypes::Int64;
}

template <typename T>
concept SMCInteger = std::is_same_v<T, std::uint8_t> || std::is_same_v<T, std::uint16_t> ||
                     std::is_same_v<T, std::uint32_t> || std::is_same_v<T, std::uint64_t> ||
                     std::is_same_v<T, std::int8_t> || std::is_same_v<T, std::int16_t> ||
                     std::is_same_v<T, std::int32_t> || std::is_same_v<T, std::int64_t>;

}  // namespace detail

// Integers of every width and sign: least significant byte first, signed ones
// as their two's-complement bit pattern.
template <detail::SMCInteger T>
struct SMCCoding<T> {
    static constexpr DataType smcDataType = detail::integerDataType<T>();

    static T decode(const SMCBytes& block)
    {
        using Unsigned = std::make_unsigned_t<T>;
        Unsigned value = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            value = static_cast<Unsigned>(value | static_cast<Unsigned>(static_cast<Unsigned>(block[i]) << (8 * i)));
        }
        return static_cast<T>(value);
    }

    static SMCBytes encode(const T& value)
    {
        using Unsigned = std::make_unsigned_t<T>;
        const auto bits = static_cast<Unsigned>(value);
        SMCBytes block{};
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            block[i] = static_cast<std::uint8_t>(bits >> (8 * i));
        }
        return block;
    }
};

// A 32-bit IEEE 754 single, least significant byte first (the host's order on
// every machine this runs on).
template <>
struct SMCCoding<float> {
    static_assert(std::endian::native == std::endian::little && sizeof(float) == 4);
    static constexpr DataType smcDataType = DataTypes::Float;

    static float decode(const SMCBytes& block) { return fromBytes<float>(block); }
    static SMCBytes encode(const float& value) { return smcBytes(toBytes(value)); }
};

// A flag: any non-zero first byte is true; true is written as 1.
template <>
struct SMCCoding<bool> {
    static constexpr DataType smcDataType = DataTypes::Flag;

    static bool decode(const SMCBytes& block) { return block[0] != 0; }
    static SMCBytes encode(const bool& value) { return smcBytes(std::array<std::uint8_t, 1>{value ? std::uint8_t{1} : std::uint8_t{0}}); }
};

// An integer the SMC gives most significant byte first, such as the key count
// "#KEY": read<BigEndian<std::uint32_t>>("#KEY").value.
template <detail::SMCInteger T>
struct BigEndian {
    T value{};

    bool operator==(const BigEndian&) const = default;
};

template <detail::SMCInteger T>
struct SMCCoding<BigEndian<T>> {
    static constexpr DataType smcDataType = SMCCoding<T>::smcDataType;

    static BigEndian<T> decode(const SMCBytes& block)
    {
        using Unsigned = std::make_unsigned_t<T>;
        Unsigned value = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            value = static_cast<Unsigned>(value |
                                          static_cast<Unsigned>(static_cast<Unsigned>(block[i])
                                                                << ((sizeof(T) - 1 - i) * 8)));
        }
        return {static_cast<T>(value)};
    }

    static SMCBytes encode(const BigEndian<T>& big)
    {
        using Unsigned = std::make_unsigned_t<T>;
        const auto bits = static_cast<Unsigned>(big.value);
        SMCBytes block{};
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            block[i] = static_cast<std::uint8_t>(bits >> ((sizeof(T) - 1 - i) * 8));
        }
        return block;
    }
};

}  // namespace smckit
