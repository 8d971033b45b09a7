#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <nlohmann/json.hpp>

namespace simmac {

// What the simulated SMC does with a client's write to a key.
enum class SMCFault {
    none,          // store the value
    ignoreWrites,  // report success but keep the old value
    refuse,        // fail with a non-zero SMC result
};

std::string_view faultName(SMCFault fault);
std::optional<SMCFault> faultNamed(std::string_view name);

struct SMCKey {
    std::uint32_t code = 0;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> value;  // exactly the key's size
    bool writable = false;
    SMCFault fault = SMCFault::none;

    std::uint32_t size() const { return static_cast<std::uint32_t>(value.size()); }
    // Bit 7: readable; bit 6: writable.
    std::uint8_t attributes() const { return static_cast<std::uint8_t>(0x80 | (writable ? 0x40 : 0)); }
};

// The SMC's keys, ordered by code as the SMC enumerates them, with "#KEY" (the
// key count as a most-significant-byte-first "ui32") kept up to date.
//
// A model's "smc" member lists its keys:
//   {"keys": [{"key": "CH0B", "type": "ui8 ", "size": 1, "value": "00", "writable": true,
//              "note": "what the key is"}, ...]}
// "value" is hexadecimal, two digits per byte, in the order the SMC delivers
// the bytes. A key with "byteOrder": "architecture" holds an integer written
// here most significant byte first, which the table stores in the order a Mac
// of this build's architecture reports it (as written on x86_64, reversed on
// arm64).
class SMCKeyTable {
public:
    // Throws SimulatorError naming the model and the bad entry.
    static SMCKeyTable fromModel(const nlohmann::ordered_json& document, std::string_view modelName);

    SMCKey* find(std::uint32_t code);
    const SMCKey* find(std::uint32_t code) const;
    const std::vector<SMCKey>& keys() const { return keys_; }
    std::size_t count() const { return keys_.size(); }

private:
    std::vector<SMCKey> keys_;
    std::unordered_map<std::uint32_t, std::size_t> indexByCode_;
};

// Key and type codes as four-character text and back ("B0AV" <-> 0x42304156).
std::string codeText(std::uint32_t code);
// Throws SimulatorError unless `text` is four ASCII characters.
std::uint32_t codeFromText(std::string_view text, std::string_view what);

// The `size` low bytes of `value` in the order the SMC of a Mac of this
// build's architecture delivers integers (most significant first on x86_64,
// least significant first on arm64).
std::vector<std::uint8_t> architectureOrderedBytes(std::uint64_t value, std::size_t size);

// Upper-case hexadecimal, two digits per byte, no separator.
std::string hexText(std::span<const std::uint8_t> bytes);
// Throws SimulatorError unless `text` is two hexadecimal digits per byte.
std::vector<std::uint8_t> bytesFromHex(std::string_view text);

}  // namespace simmac
