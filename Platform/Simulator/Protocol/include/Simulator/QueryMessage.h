#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace simulator {

// The binary messages of the reads a process makes over and over (a registry
// property or all of an entry's properties, the power-source information, the
// operating system's version), each one frame: the query and its answer.
//   call payload:  operation (u8); for a registry property also the class
//                  name's length (u8), the class name and the key (the rest);
//                  for all properties the class name's length and the class name
//   reply payload: outcome (u8); then the value in RegistryValueWriter's form,
//                  or simmac's error text
// The values: a registry property as the registry types it ("none" when the
// entry has no such property); all properties as one dictionary; the power-source information as an array of
// description dictionaries; the version as an array of three integers
// (major, minor, patch).
enum class QueryOperation : std::uint8_t {
    registryProperty = 1,
    powerSources = 2,
    operatingSystemVersion = 3,
    registryProperties = 4,
};

enum class QueryOutcome : std::uint8_t {
    value = 0,
    error = 1,
};

// Class names are short; a longer one cannot be sent.
inline constexpr std::size_t maximumQueryClassNameLength = 255;

struct QueryCall {
    QueryOperation operation = QueryOperation::registryProperty;
    std::string_view className;  // a registry query's service class
    std::string_view key;        // a registry property's name
};

struct QueryReply {
    QueryOutcome outcome = QueryOutcome::value;
    std::span<const std::uint8_t> body;  // the encoded value, or the error text
};

// Replace the contents of `frame` with the whole frame (header included).
// A call's class name must not be longer than maximumQueryClassNameLength.
void encodeQueryCall(const QueryCall& call, std::vector<std::uint8_t>& frame);
void encodeQueryReply(const QueryReply& reply, std::vector<std::uint8_t>& frame);

// Views into `payload`; nothing when it is malformed.
std::optional<QueryCall> decodeQueryCall(std::span<const std::uint8_t> payload);
std::optional<QueryReply> decodeQueryReply(std::span<const std::uint8_t> payload);

}  // namespace simulator
