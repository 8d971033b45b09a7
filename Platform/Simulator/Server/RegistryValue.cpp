#include "Simmac/RegistryValue.h"

#include "Simulator/RegistryValueWriter.h"

#include "Simmac/SMCKeyTable.h"
#include "Simmac/SimulatorError.h"

namespace simmac::registry {

Value boolean(bool value)
{
    return {{"bool", value}};
}

Value integer(std::int64_t value)
{
    return {{"int", value}};
}

Value text(std::string value)
{
    return {{"text", std::move(value)}};
}

Value data(std::span<const std::uint8_t> bytes)
{
    return {{"data", hexText(bytes)}};
}

Value array(nlohmann::ordered_json elements)
{
    Value value = nlohmann::ordered_json::object();
    value["array"] = std::move(elements);
    return value;
}

Value dictionary(nlohmann::ordered_json members)
{
    Value value = nlohmann::ordered_json::object();
    value["dict"] = std::move(members);
    return value;
}

Value fromJSON(const nlohmann::ordered_json& plain)
{
    switch (plain.type()) {
    case nlohmann::ordered_json::value_t::boolean:
        return boolean(plain.get<bool>());
    case nlohmann::ordered_json::value_t::number_integer:
        return integer(plain.get<std::int64_t>());
    case nlohmann::ordered_json::value_t::number_unsigned:
        return integer(static_cast<std::int64_t>(plain.get<std::uint64_t>()));
    case nlohmann::ordered_json::value_t::string:
        return text(plain.get<std::string>());
    case nlohmann::ordered_json::value_t::array: {
        nlohmann::ordered_json elements = nlohmann::ordered_json::array();
        for (const auto& element : plain) {
            elements.push_back(fromJSON(element));
        }
        return array(std::move(elements));
    }
    case nlohmann::ordered_json::value_t::object: {
        nlohmann::ordered_json members = nlohmann::ordered_json::object();
        for (const auto& [key, element] : plain.items()) {
            members[key] = fromJSON(element);
        }
        return dictionary(std::move(members));
    }
    default:
        throw SimulatorError("a registry value must be true, false, an integer, a text, a list or an object, not " +
                             plain.dump());
    }
}

namespace {

const nlohmann::ordered_json* tagged(const Value* value, const char* tag)
{
    if (value == nullptr || !value->is_object() || value->size() != 1) {
        return nullptr;
    }
    const auto found = value->find(tag);
    return found == value->end() ? nullptr : &*found;
}

}  // namespace

std::optional<bool> booleanOf(const Value* value)
{
    const auto* inner = tagged(value, "bool");
    return inner != nullptr && inner->is_boolean() ? std::optional<bool>(inner->get<bool>()) : std::nullopt;
}

std::optional<std::int64_t> integerOf(const Value* value)
{
    const auto* inner = tagged(value, "int");
    return inner != nullptr && inner->is_number_integer() ? std::optional<std::int64_t>(inner->get<std::int64_t>())
                                                          : std::nullopt;
}

const Value* member(const Value& dictionary, std::string_view key)
{
    const auto* members = tagged(&dictionary, "dict");
    if (members == nullptr || !members->is_object()) {
        return nullptr;
    }
    const auto found = members->find(key);
    return found == members->end() ? nullptr : &*found;
}

void setMember(Value& dictionary, std::string_view key, Value value)
{
    dictionary["dict"][std::string(key)] = std::move(value);
}

namespace {

// False when `value` is malformed; what was written then is to be dropped.
bool writeBinary(const Value& value, simulator::RegistryValueWriter& writer)
{
    if (!value.is_object() || value.size() != 1) {
        return false;
    }
    const auto only = value.begin();
    const std::string& tag = only.key();
    const nlohmann::ordered_json& inner = only.value();
    if (tag == "bool" && inner.is_boolean()) {
        writer.boolean(inner.get<bool>());
        return true;
    }
    if (tag == "int" && inner.is_number_integer()) {
        writer.integer(inner.is_number_unsigned() ? static_cast<std::int64_t>(inner.get<std::uint64_t>())
                                                  : inner.get<std::int64_t>());
        return true;
    }
    if (tag == "text" && inner.is_string()) {
        writer.text(inner.get_ref<const std::string&>());
        return true;
    }
    if (tag == "data" && inner.is_string()) {
        try {
            writer.data(bytesFromHex(inner.get_ref<const std::string&>()));
        } catch (const SimulatorError&) {
            return false;
        }
        return true;
    }
    if (tag == "array" && inner.is_array()) {
        writer.array(static_cast<std::uint32_t>(inner.size()));
        for (const auto& element : inner) {
            if (!writeBinary(element, writer)) {
                return false;
            }
        }
        return true;
    }
    if (tag == "dict" && inner.is_object()) {
        writer.dictionary(static_cast<std::uint32_t>(inner.size()));
        for (const auto& [key, element] : inner.items()) {
            writer.key(key);
            if (!writeBinary(element, writer)) {
                return false;
            }
        }
        return true;
    }
    return false;
}

}  // namespace

void appendBinary(const Value* value, std::vector<std::uint8_t>& out)
{
    const std::size_t start = out.size();
    simulator::RegistryValueWriter writer(out);
    if (value == nullptr || !writeBinary(*value, writer)) {
        out.resize(start);
        writer.none();
    }
}

}  // namespace simmac::registry
