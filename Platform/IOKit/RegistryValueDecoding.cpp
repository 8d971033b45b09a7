#include "RegistryValueDecoding.h"

namespace platform {

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

CFTypeRef decodeRegistryValue(const nlohmann::ordered_json& value)
{
    if (!value.is_object() || value.size() != 1) {
        return nullptr;
    }
    const auto only = value.begin();
    const std::string& tag = only.key();
    const nlohmann::ordered_json& inner = only.value();
    if (tag == "bool" && inner.is_boolean()) {
        return std::make_shared<const CFPropertyValue>(inner.get<bool>());
    }
    if (tag == "int" && inner.is_number_integer()) {
        return std::make_shared<const CFPropertyValue>(inner.is_number_unsigned()
                                                           ? static_cast<std::int64_t>(inner.get<std::uint64_t>())
                                                           : inner.get<std::int64_t>());
    }
    if (tag == "text" && inner.is_string()) {
        return std::make_shared<const CFPropertyValue>(inner.get<std::string>());
    }
    if (tag == "data" && inner.is_string()) {
        const auto& text = inner.get_ref<const std::string&>();
        if (text.size() % 2 != 0) {
            return nullptr;
        }
        CFPropertyValue::Data bytes(text.size() / 2);
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const int high = hexDigit(text[2 * i]);
            const int low = hexDigit(text[2 * i + 1]);
            if (high < 0 || low < 0) {
                return nullptr;
            }
            bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
        }
        return std::make_shared<const CFPropertyValue>(std::move(bytes));
    }
    if (tag == "array" && inner.is_array()) {
        CFPropertyValue::Array elements;
        elements.reserve(inner.size());
        for (const auto& element : inner) {
            CFTypeRef decoded = decodeRegistryValue(element);
            if (!decoded) {
                return nullptr;
            }
            elements.push_back(std::move(decoded));
        }
        return std::make_shared<const CFPropertyValue>(std::move(elements));
    }
    if (tag == "dict" && inner.is_object()) {
        CFPropertyValue::Dictionary members;
        for (const auto& [key, element] : inner.items()) {
            CFTypeRef decoded = decodeRegistryValue(element);
            if (!decoded) {
                return nullptr;
            }
            members.emplace(key, std::move(decoded));
        }
        return std::make_shared<const CFPropertyValue>(std::move(members));
    }
    return nullptr;
}

}  // namespace platform
