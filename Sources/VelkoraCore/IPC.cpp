#include <VelkoraCore/IPC.h>

#include <nlohmann/json.hpp>

#include <exception>
#include <string>

namespace velkora::IPC {

namespace {

DecodingError corrupted(std::string description)
{
    return DecodingError(DecodingError::Kind::dataCorrupted, {}, std::move(description));
}

// Checks what the parser would not: the nesting of arrays and objects, counted
// outside strings (for valid JSON exactly the document's depth; anything else
// fails in the parser), and NUL bytes, at which the parser would silently stop
// reading and accept whatever follows.
void checkShape(std::span<const std::uint8_t> data)
{
    std::size_t depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const std::uint8_t byte : data) {
        if (byte == 0) {
            throw corrupted("The data is not valid JSON: it contains a NUL byte.");
        }
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (byte == '\\') {
                escaped = true;
            } else if (byte == '"') {
                inString = false;
            }
            continue;
        }
        switch (byte) {
        case '"':
            inString = true;
            break;
        case '[':
        case '{':
            if (++depth > maximumNestingDepth) {
                throw corrupted("The data nests deeper than " + std::to_string(maximumNestingDepth) + " levels.");
            }
            break;
        case ']':
        case '}':
            if (depth > 0) {
                --depth;
            }
            break;
        default:
            break;
        }
    }
}

// The parser's messages start with an internal tag such as
// "[json.exception.parse_error.101] "; the rest says what and where.
std::string withoutTag(const char* message)
{
    std::string text(message);
    if (!text.empty() && text.front() == '[') {
        const auto end = text.find("] ");
        if (end != std::string::npos) {
            text.erase(0, end + 2);
        }
    }
    return text;
}

// Reading uses the map-backed document: members are looked up by name, and
// an object with very many unknown members then costs n log n rather than the
// quadratic insertion of the order-keeping one.
nlohmann::json parse(std::span<const std::uint8_t> data)
{
    if (data.size() > maximumDocumentSize) {
        throw corrupted("The data is " + std::to_string(data.size()) + " bytes long; at most " +
                        std::to_string(maximumDocumentSize) + " are accepted.");
    }
    checkShape(data);
    try {
        return nlohmann::json::parse(data.begin(), data.end());
    } catch (const nlohmann::json::parse_error& error) {
        throw corrupted("The data is not valid JSON: " + withoutTag(error.what()));
    }
}

}  // namespace

template <IPCDocument T>
std::vector<std::uint8_t> encode(const T& value)
{
    nlohmann::ordered_json json;
    to_json(json, value);
    // Our texts are meant to be UTF-8; a stray invalid byte becomes U+FFFD
    // rather than costing the whole reply.
    const std::string text = json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

template <IPCDocument T>
T decode(std::span<const std::uint8_t> data)
{
    try {
        const nlohmann::json json = parse(data);
        T value{};
        from_json(json, value);
        return value;
    } catch (const DecodingError&) {
        throw;
    } catch (const std::exception& error) {
        throw corrupted(std::string("The data could not be read: ") + error.what());
    } catch (...) {
        throw corrupted("The data could not be read.");
    }
}

#define VELKORA_IPC_DOCUMENT(T)                                        \
    template std::vector<std::uint8_t> encode<T>(const T& value); \
    template T decode<T>(std::span<const std::uint8_t> data);

VELKORA_IPC_DOCUMENT(HelperBuildIdentity)
VELKORA_IPC_DOCUMENT(DaemonFailureReason)
VELKORA_IPC_DOCUMENT(DaemonHealth)
VELKORA_IPC_DOCUMENT(BatterySnapshot)
VELKORA_IPC_DOCUMENT(AdapterSnapshot)
VELKORA_IPC_DOCUMENT(PowerSnapshot)
VELKORA_IPC_DOCUMENT(DeviceCapabilities)
VELKORA_IPC_DOCUMENT(ChargePolicy)
VELKORA_IPC_DOCUMENT(ControlCommand)

#undef VELKORA_IPC_DOCUMENT

}  // namespace velkora::IPC
