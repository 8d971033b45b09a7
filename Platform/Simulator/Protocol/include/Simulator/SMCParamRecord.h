#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace simulator {

// The parameter record of the "AppleSMC" user client, taken and returned by
// its struct method 2: 80 bytes, multi-byte fields in host order.
//   0 key, 28 dataSize, 32 dataType, 36 dataAttributes, 40 result,
//   42 command, 44 index, 48 32 value bytes.
// Commands: 5 read, 6 write (privileged peers only), 8 key at index, 9 key info.
// simmac answers every command; a client answers reads and key-info calls
// itself from the keys simmac shares (SharedReadingsLayout.h), with the same
// bytes, through answerKeyRead.
namespace smc {

inline constexpr std::uint32_t structMethodSelector = 2;
inline constexpr std::size_t recordSize = 80;

inline constexpr std::size_t keyOffset = 0;
inline constexpr std::size_t dataSizeOffset = 28;
inline constexpr std::size_t dataTypeOffset = 32;
inline constexpr std::size_t attributesOffset = 36;
inline constexpr std::size_t resultOffset = 40;
inline constexpr std::size_t commandOffset = 42;
inline constexpr std::size_t indexOffset = 44;
inline constexpr std::size_t bytesOffset = 48;
inline constexpr std::size_t bytesCapacity = 32;

inline constexpr std::uint8_t commandReadKey = 5;
inline constexpr std::uint8_t commandWriteKey = 6;
inline constexpr std::uint8_t commandKeyAtIndex = 8;
inline constexpr std::uint8_t commandKeyInfo = 9;

// SMC result bytes of the simulated firmware.
inline constexpr std::uint8_t resultSuccess = 0x00;
inline constexpr std::uint8_t resultBadCommand = 0x82;
inline constexpr std::uint8_t resultKeyNotFound = 0x84;
inline constexpr std::uint8_t resultKeyNotWritable = 0x86;
inline constexpr std::uint8_t resultKeySizeMismatch = 0x87;
inline constexpr std::uint8_t resultKeyIndexRange = 0xB8;

// One key as a read or a key-info call reports it.
struct KeyView {
    std::uint32_t code = 0;
    std::uint32_t type = 0;
    // Bit 7: readable; bit 6: writable.
    std::uint8_t attributes = 0;
    std::span<const std::uint8_t> value;  // the key's size, at most bytesCapacity
};

std::uint32_t loadField(std::span<const std::uint8_t> record, std::size_t offset);
void storeField(std::span<std::uint8_t> record, std::size_t offset, std::uint32_t value);

// Whether `input` is a whole record asking for a read or a key's information.
bool isKeyRead(std::span<const std::uint8_t> input);

// Answers the read or key-info call `input` (isKeyRead) for `key`, null when
// the SMC has no key of the code asked for: fills all of `record`
// (recordSize bytes).
void answerKeyRead(std::span<const std::uint8_t> input, const KeyView* key, std::span<std::uint8_t> record);

}  // namespace smc

}  // namespace simulator
