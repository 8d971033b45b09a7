#pragma once

#include <cstdint>

#include "SMCKit/KeyCode.h"

namespace smckit {

// An SMC data type: its type code and its size in bytes (0: the size is the
// key's own, for raw bytes and text).
struct DataType {
    std::uint32_t type = 0;
    std::uint32_t size = 0;

    bool operator==(const DataType&) const = default;
};

namespace DataTypes {
inline constexpr DataType UInt8{KeyCode("ui8 "), 1};
inline constexpr DataType UInt16{KeyCode("ui16"), 2};
inline constexpr DataType UInt32{KeyCode("ui32"), 4};
inline constexpr DataType UInt64{KeyCode("ui64"), 8};
inline constexpr DataType Int8{KeyCode("si8 "), 1};
inline constexpr DataType Int16{KeyCode("si16"), 2};
inline constexpr DataType Int32{KeyCode("si32"), 4};
inline constexpr DataType Int64{KeyCode("si64"), 8};
inline constexpr DataType Flag{KeyCode("flag"), 1};
inline constexpr DataType Float{KeyCode("flt "), 4};
inline constexpr DataType HexData{KeyCode("hex_"), 0};
inline constexpr DataType Ch8String{KeyCode("ch8*"), 0};
}  // namespace DataTypes

}  // namespace smckit
