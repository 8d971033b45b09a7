#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace simulator {

// The binary messages of the hot path: one user-client struct-method call and
// its result, each one frame.
//   call payload:  selector (u32), output capacity (u32), input bytes
//   reply payload: IOKit return code (i32), output bytes
// Integers are little-endian.
inline constexpr std::uint32_t maximumStructSize = 4096;

struct StructMethodCall {
    std::uint32_t selector = 0;
    std::uint32_t outputCapacity = 0;
    std::span<const std::uint8_t> input;
};

struct StructMethodReply {
    std::int32_t status = 0;
    std::span<const std::uint8_t> output;
};

// Replaces the contents of `frame` with the whole frame (header included).
void encodeStructMethodCall(const StructMethodCall& call, std::vector<std::uint8_t>& frame);
void encodeStructMethodReply(const StructMethodReply& reply, std::vector<std::uint8_t>& frame);

// Views into `payload`; nothing when it is malformed or a struct is larger than
// maximumStructSize.
std::optional<StructMethodCall> decodeStructMethodCall(std::span<const std::uint8_t> payload);
std::optional<StructMethodReply> decodeStructMethodReply(std::span<const std::uint8_t> payload);

}  // namespace simulator
