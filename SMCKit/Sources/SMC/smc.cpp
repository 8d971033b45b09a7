#include "smc/smc.h"

#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>

namespace {

using KeyInfoCache = std::unordered_map<std::uint32_t, SMCKeyInfo>;

// Filled by whichever call touches a key first; shared by every connection of
// the process and never held across a user-client call.
KeyInfoCache* g_keyInfoCache = nullptr;
std::mutex g_keyInfoCacheLock;

SMCResult_t call(io_connect_t connection, const SMCParamRecord& input, SMCParamRecord& output)
{
    std::size_t outputSize = sizeof output;
    const kern_return_t code =
        IOConnectCallStructMethod(connection, kSMCUserClientMethod, &input, sizeof input, &output, &outputSize);
    return {code, output.result};
}

std::uint32_t codeFromChars(const char* chars)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(chars[0])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(chars[1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(chars[2])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(chars[3]));
}

void charsFromCode(std::uint32_t code, char* chars)
{
    chars[0] = static_cast<char>(code >> 24);
    chars[1] = static_cast<char>(code >> 16);
    chars[2] = static_cast<char>(code >> 8);
    chars[3] = static_cast<char>(code);
    chars[4] = '\0';
}

// Zero-filled to the last padding byte, as the user client expects.
void clear(SMCParamRecord& record)
{
    std::memset(&record, 0, sizeof record);
}

bool succeeded(const SMCResult_t& result)
{
    return result.kIOReturn == kIOReturnSuccess && result.smcResult == kSMCResultSuccess;
}

}  // namespace

kern_return_t SMCOpen(io_connect_t* connection)
{
    if (connection == nullptr) {
        return kIOReturnBadArgument;
    }
    const io_service_t service = IOServiceGetMatchingService(kIOMainPortDefault, IOServiceMatching("AppleSMC"));
    if (service == IO_OBJECT_NULL) {
        return kIOReturnNotFound;
    }
    const kern_return_t result = IOServiceOpen(service, mach_task_self(), 0, connection);
    IOObjectRelease(service);
    return result;
}

kern_return_t SMCClose(io_connect_t connection)
{
    return IOServiceClose(connection);
}

SMCResult_t SMCGetKeyInfo(std::uint32_t key, SMCKeyInfo* info, io_connect_t connection)
{
    if (info == nullptr) {
        return {kIOReturnBadArgument, kSMCResultLayerError};
    }
    {
        std::lock_guard lock(g_keyInfoCacheLock);
        if (g_keyInfoCache == nullptr) {
            g_keyInfoCache = new (std::nothrow) KeyInfoCache();
            if (g_keyInfoCache == nullptr) {
                return {kIOReturnNoMemory, kSMCResultLayerError};
            }
        }
        const auto found = g_keyInfoCache->find(key);
        if (found != g_keyInfoCache->end()) {
            *info = found->second;
            return {kIOReturnSuccess, kSMCResultSuccess};
        }
    }

    SMCParamRecord input;
    SMCParamRecord output;
    clear(input);
    clear(output);
    input.key = key;
    input.command = kSMCCommandGetKeyInfo;
    const SMCResult_t result = call(connection, input, output);
    if (!succeeded(result)) {
        return result;
    }
    info->dataSize = output.info.dataSize;
    info->dataType = output.info.dataType;
    info->dataAttributes = output.info.dataAttributes;

    std::lock_guard lock(g_keyInfoCacheLock);
    if (g_keyInfoCache != nullptr) {
        try {
            // emplace keeps an entry another thread inserted meanwhile.
            g_keyInfoCache->emplace(key, *info);
        } catch (const std::bad_alloc&) {
            // Not cached this time; the caller has its information anyway.
        }
    }
    return result;
}

SMCResult_t SMCReadKey(const UInt32Char_t key, SMCKeyValue* value, io_connect_t connection)
{
    if (key == nullptr || value == nullptr) {
        return {kIOReturnBadArgument, kSMCResultLayerError};
    }
    SMCParamRecord input;
    SMCParamRecord output;
    clear(input);
    clear(output);
    std::memset(value, 0, sizeof *value);

    const std::uint32_t code = codeFromChars(key);
    charsFromCode(code, value->key);

    SMCKeyInfo info{};
    const SMCResult_t infoResult = SMCGetKeyInfo(code, &info, connection);
    if (!succeeded(infoResult)) {
        return infoResult;
    }
    value->dataSize = info.dataSize;
    charsFromCode(info.dataType, value->dataType);

    input.key = code;
    input.info.dataSize = info.dataSize;
    input.command = kSMCCommandReadKey;
    const SMCResult_t result = call(connection, input, output);
    if (!succeeded(result)) {
        return result;
    }
    std::memcpy(value->bytes, output.bytes, sizeof value->bytes);
    return result;
}

SMCResult_t SMCWriteKey(const SMCKeyValue* value, io_connect_t connection)
{
    if (value == nullptr) {
        return {kIOReturnBadArgument, kSMCResultLayerError};
    }
    const std::uint32_t code = codeFromChars(value->key);
    SMCKeyInfo info{};
    const SMCResult_t infoResult = SMCGetKeyInfo(code, &info, connection);
    if (!succeeded(infoResult)) {
        return infoResult;
    }
    if (info.dataSize != value->dataSize || info.dataType != codeFromChars(value->dataType)) {
        return {kIOReturnBadArgument, kSMCResultDataTypeMismatch};
    }

    SMCParamRecord input;
    SMCParamRecord output;
    clear(input);
    clear(output);
    input.key = code;
    input.info.dataSize = value->dataSize;
    input.command = kSMCCommandWriteKey;
    std::memcpy(input.bytes, value->bytes, sizeof input.bytes);
    return call(connection, input, output);
}

SMCResult_t SMCGetKeyFromIndex(std::uint32_t index, UInt32Char_t key, io_connect_t connection)
{
    if (key == nullptr) {
        return {kIOReturnBadArgument, kSMCResultLayerError};
    }
    SMCParamRecord input;
    SMCParamRecord output;
    clear(input);
    clear(output);
    input.command = kSMCCommandGetKeyFromIndex;
    input.index = index;
    const SMCResult_t result = call(connection, input, output);
    if (succeeded(result)) {
        charsFromCode(output.key, key);
    }
    return result;
}

void SMCCleanupCache()
{
    std::lock_guard lock(g_keyInfoCacheLock);
    delete g_keyInfoCache;
    g_keyInfoCache = nullptr;
}
