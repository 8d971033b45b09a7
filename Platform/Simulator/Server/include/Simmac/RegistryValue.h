#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace simmac::registry {

// Registry property values as simmac keeps them (the IOKit stand-in gets them
// in a binary form, appendBinary): one-member objects named after the value's
// type, so that a Boolean, an integer, a text and data stay apart exactly as
// the registry types them:
//   {"bool": true}  {"int": -1532}  {"text": "Normal"}  {"data": "0A1B"}
//   {"array": [value, ...]}  {"dict": {"Watts": {"int": 96}, ...}}
// Integers are signed 64-bit.
using Value = nlohmann::ordered_json;

Value boolean(bool value);
Value integer(std::int64_t value);
Value text(std::string value);
Value data(std::span<const std::uint8_t> bytes);
Value array(nlohmann::ordered_json elements = nlohmann::ordered_json::array());
Value dictionary(nlohmann::ordered_json members = nlohmann::ordered_json::object());

// A plain JSON value as a registry value: true/false a Boolean, an integer an
// integer, a string a text, an array an array and an object a dictionary.
// Throws SimulatorError for null and for numbers with a fraction.
Value fromJSON(const nlohmann::ordered_json& plain);

// Reading a value of a wanted type: nothing (or null) when `value` is null or
// of another type.
std::optional<bool> booleanOf(const Value* value);
std::optional<std::int64_t> integerOf(const Value* value);

// The member `key` of the dictionary `dictionary`; null when it has none or
// `dictionary` is not a dictionary.
const Value* member(const Value& dictionary, std::string_view key);
// Sets (adds or replaces) the member `key` of the dictionary `dictionary`.
void setMember(Value& dictionary, std::string_view key, Value value);

// Appends `value` in the binary form the IOKit stand-in reads
// (simulator::RegistryValueWriter): "none" for null, and for a value that is
// malformed anywhere inside, which the stand-in could not take either.
void appendBinary(const Value* value, std::vector<std::uint8_t>& out);

}  // namespace simmac::registry
