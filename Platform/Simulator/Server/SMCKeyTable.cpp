#include "Simmac/SMCKeyTable.h"

#include <algorithm>

#include "Simmac/SimulatorError.h"

namespace simmac {

namespace {

constexpr std::uint32_t keyCountCode = 0x234B4559;  // "#KEY"
constexpr std::uint32_t ui32Type = 0x75693332;      // "ui32"

#if defined(__aarch64__) || defined(__arm64__)
constexpr bool smcIntegersLeastSignificantFirst = true;
#else
constexpr bool smcIntegersLeastSignificantFirst = false;
#endif

}  // namespace

std::string_view faultName(SMCFault fault)
{
    switch (fault) {
    case SMCFault::none: return "none";
    case SMCFault::ignoreWrites: return "ignore-writes";
    case SMCFault::refuse: return "refuse";
    }
    return "none";
}

std::optional<SMCFault> faultNamed(std::string_view name)
{
    for (const SMCFault fault : {SMCFault::none, SMCFault::ignoreWrites, SMCFault::refuse}) {
        if (faultName(fault) == name) {
            return fault;
        }
    }
    return std::nullopt;
}

std::string codeText(std::uint32_t code)
{
    return {static_cast<char>(code >> 24), static_cast<char>(code >> 16), static_cast<char>(code >> 8),
            static_cast<char>(code)};
}

std::uint32_t codeFromText(std::string_view text, std::string_view what)
{
    const bool ascii = std::all_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F;
    });
    if (text.size() != 4 || !ascii) {
        throw SimulatorError(std::string(what) + " must be four characters, got \"" + std::string(text) + "\"");
    }
    return static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[3]));
}

std::vector<std::uint8_t> architectureOrderedBytes(std::uint64_t value, std::size_t size)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[size - 1 - i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    if (smcIntegersLeastSignificantFirst) {
        std::reverse(bytes.begin(), bytes.end());
    }
    return bytes;
}

std::string hexText(std::span<const std::uint8_t> bytes)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const std::uint8_t byte : bytes) {
        text.push_back(digits[byte >> 4]);
        text.push_back(digits[byte & 0x0F]);
    }
    return text;
}

std::vector<std::uint8_t> bytesFromHex(std::string_view text)
{
    const auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    const bool wellFormed = text.size() % 2 == 0 && std::all_of(text.begin(), text.end(), [&](char c) {
        return digit(c) >= 0;
    });
    if (!wellFormed) {
        throw SimulatorError("bad hex value \"" + std::string(text) + "\": use two hexadecimal digits per byte");
    }
    std::vector<std::uint8_t> bytes(text.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(digit(text[2 * i]) << 4 | digit(text[2 * i + 1]));
    }
    return bytes;
}

SMCKeyTable SMCKeyTable::fromModel(const nlohmann::ordered_json& document, std::string_view modelName)
{
    const std::string model = "model " + std::string(modelName);
    const auto smc = document.find("smc");
    if (smc == document.end() || !smc->is_object() || !smc->contains("keys") || !(*smc)["keys"].is_array()) {
        throw SimulatorError(model + ": no \"smc\" object with a \"keys\" list");
    }

    SMCKeyTable table;
    for (const auto& entry : (*smc)["keys"]) {
        const std::string where = model + ", key " + (entry.is_object() && entry.contains("key") && entry["key"].is_string()
                                                          ? "\"" + entry["key"].get<std::string>() + "\""
                                                          : "#" + std::to_string(table.keys_.size() + 1));
        try {
            if (!entry.is_object()) {
                throw SimulatorError("not an object");
            }
            const auto text = [&](const char* name) {
                if (!entry.contains(name) || !entry[name].is_string()) {
                    throw SimulatorError("needs the text \"" + std::string(name) + "\"");
                }
                return entry[name].get<std::string>();
            };
            SMCKey key;
            key.code = codeFromText(text("key"), "a key");
            key.type = codeFromText(text("type"), "a data type");
            key.value = bytesFromHex(text("value"));
            if (!entry.contains("size") || !entry["size"].is_number_unsigned() ||
                entry["size"].get<std::uint64_t>() > 32) {
                throw SimulatorError("needs a \"size\" from 0 to 32");
            }
            if (entry["size"].get<std::size_t>() != key.value.size()) {
                throw SimulatorError("value has " + std::to_string(key.value.size()) +
                                     (key.value.size() == 1 ? " byte" : " bytes") + " but size is " +
                                     std::to_string(entry["size"].get<std::size_t>()));
            }
            if (!entry.contains("writable") || !entry["writable"].is_boolean()) {
                throw SimulatorError("needs \"writable\" true or false");
            }
            key.writable = entry["writable"].get<bool>();
            if (entry.contains("byteOrder")) {
                if (entry["byteOrder"] != "architecture") {
                    throw SimulatorError("\"byteOrder\" can only be \"architecture\"");
                }
                if (smcIntegersLeastSignificantFirst) {
                    std::reverse(key.value.begin(), key.value.end());
                }
            }
            if (key.code == keyCountCode) {
                throw SimulatorError("\"#KEY\" is kept by simmac itself; leave it out");
            }
            if (table.find(key.code) != nullptr) {
                throw SimulatorError("is listed twice");
            }
            table.indexByCode_[key.code] = table.keys_.size();
            table.keys_.push_back(std::move(key));
        } catch (const SimulatorError& error) {
            throw SimulatorError(where + ": " + error.what());
        }
    }

    SMCKey count;
    count.code = keyCountCode;
    count.type = ui32Type;
    const auto total = static_cast<std::uint32_t>(table.keys_.size() + 1);
    count.value = {static_cast<std::uint8_t>(total >> 24), static_cast<std::uint8_t>(total >> 16),
                   static_cast<std::uint8_t>(total >> 8), static_cast<std::uint8_t>(total)};
    table.keys_.push_back(std::move(count));

    std::sort(table.keys_.begin(), table.keys_.end(),
              [](const SMCKey& a, const SMCKey& b) { return a.code < b.code; });
    table.indexByCode_.clear();
    for (std::size_t i = 0; i < table.keys_.size(); ++i) {
        table.indexByCode_[table.keys_[i].code] = i;
    }
    return table;
}

SMCKey* SMCKeyTable::find(std::uint32_t code)
{
    const auto found = indexByCode_.find(code);
    return found == indexByCode_.end() ? nullptr : &keys_[found->second];
}

const SMCKey* SMCKeyTable::find(std::uint32_t code) const
{
    const auto found = indexByCode_.find(code);
    return found == indexByCode_.end() ? nullptr : &keys_[found->second];
}

}  // namespace simmac
