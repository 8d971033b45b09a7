#include "SMCKit/SMCKit.h"

#include <algorithm>
#include <cstring>

namespace smckit {

SMCKit& SMCKit::shared()
{
    // Never released: the connection lives as long as the process.
    static SMCKit* const instance = []() -> SMCKit* {
        try {
            return new SMCKit();
        } catch (const SMCError& error) {
            return new SMCKit(Unopened{error.kIOReturn()});
        }
    }();
    return *instance;
}

SMCKit::SMCKit()
{
    io_connect_t connection = IO_OBJECT_NULL;
    const kern_return_t result = SMCOpen(&connection);
    if (result != kIOReturnSuccess) {
        throw SMCError::connectionFailed(result);
    }
    connection_ = connection;
}

SMCKit::SMCKit(Unopened failure) : openResult_(failure.code) {}

SMCKit::~SMCKit()
{
    if (openResult_ == kIOReturnSuccess) {
        SMCClose(connection_);
    }
}

void SMCKit::ensureOpen() const
{
    if (const kern_return_t result = openResult_; result != kIOReturnSuccess) {
        throw SMCError::connectionFailed(result);
    }
}

bool SMCKit::needsReopening() const
{
    return openResult_ != kIOReturnSuccess || lost_;
}

bool SMCKit::reopen()
{
    io_connect_t connection = IO_OBJECT_NULL;
    const kern_return_t result = SMCOpen(&connection);
    if (result != kIOReturnSuccess) {
        return false;
    }
    const io_connect_t previous = connection_.exchange(connection);
    const kern_return_t previousResult = openResult_.exchange(kIOReturnSuccess);
    lost_ = false;
    if (previousResult == kIOReturnSuccess) {
        SMCClose(previous);
    }
    return true;
}

void SMCKit::check(const SMCResult_t& result, const std::string& key) const
{
    if (result.kIOReturn == kIOReturnSuccess && result.smcResult == kSMCResultSuccess) {
        return;
    }
    // No answer from the user client at all: its connection is of no more use.
    if (result.kIOReturn == kIOReturnNotResponding || result.kIOReturn == kIOReturnNotOpen) {
        lost_ = true;
    }
    if (result.kIOReturn == kIOReturnSuccess && result.smcResult == kSMCResultKeyNotFound) {
        throw SMCError::keyNotFound(key);
    }
    if (result.kIOReturn == kIOReturnBadArgument && result.smcResult == kSMCResultDataTypeMismatch) {
        throw SMCError::dataTypeMismatch(key);
    }
    if (result.kIOReturn == kIOReturnNotPrivileged) {
        throw SMCError::notPrivileged();
    }
    throw SMCError::unknown(key, result.kIOReturn, result.smcResult);
}

DataType SMCKit::getKeyInformation(KeyCode key) const
{
    ensureOpen();
    SMCKeyInfo info{};
    check(SMCGetKeyInfo(key, &info, connection_), key.toString());
    return {info.dataType, info.dataSize};
}

bool SMCKit::isKeyFound(KeyCode key) const
{
    try {
        getKeyInformation(key);
        return true;
    } catch (const SMCError& error) {
        if (error.kind() == SMCError::Kind::keyNotFound) {
            return false;
        }
        throw;
    }
}

SMCKeyValue SMCKit::readValue(KeyCode key) const
{
    ensureOpen();
    SMCKeyValue value{};
    check(SMCReadKey(key.toCharArray().data(), &value, connection_), key.toString());
    return value;
}

SMCBytes SMCKit::readBlock(KeyCode key) const
{
    const SMCKeyValue value = readValue(key);
    SMCBytes block;
    std::memcpy(block.data(), value.bytes, block.size());
    return block;
}

void SMCKit::writeBlock(KeyCode key, DataType dataType, const SMCBytes& bytes) const
{
    ensureOpen();
    SMCKeyValue value{};
    std::memcpy(value.key, key.toCharArray().data(), sizeof value.key);
    value.dataSize = dataType.size;
    std::memcpy(value.dataType, KeyCode(dataType.type).toCharArray().data(), sizeof value.dataType);
    std::memcpy(value.bytes, bytes.data(), sizeof value.bytes);
    check(SMCWriteKey(&value, connection_), key.toString());
}

std::vector<std::uint8_t> SMCKit::readData(KeyCode key) const
{
    const SMCKeyValue value = readValue(key);
    const std::size_t length = std::min<std::size_t>(value.dataSize, sizeof value.bytes);
    return {value.bytes, value.bytes + length};
}

std::string SMCKit::readString(KeyCode key) const
{
    const SMCKeyValue value = readValue(key);
    const std::size_t length = std::min<std::size_t>(value.dataSize, sizeof value.bytes);
    const auto end = std::find(value.bytes, value.bytes + length, std::uint8_t{0});
    if (std::any_of(value.bytes, end, [](std::uint8_t byte) { return byte >= 0x80; })) {
        throw SMCError::invalidStringData(key.toString());
    }
    return {value.bytes, end};
}

void SMCKit::writeData(KeyCode key, std::span<const std::uint8_t> data) const
{
    const DataType info = getKeyInformation(key);
    if (info.type != DataTypes::HexData.type) {
        throw SMCError::dataTypeMismatch(key.toString());
    }
    if (data.size() != info.size) {
        throw SMCError::invalidDataSize(key.toString(), info.size, static_cast<std::uint32_t>(data.size()));
    }
    writeBlock(key, {DataTypes::HexData.type, info.size}, smcBytes(data));
}

void SMCKit::writeString(KeyCode key, std::string_view text) const
{
    const DataType info = getKeyInformation(key);
    if (info.type != DataTypes::Ch8String.type) {
        throw SMCError::dataTypeMismatch(key.toString());
    }
    if (std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
        throw SMCError::invalidStringData(key.toString());
    }
    if (text.size() > info.size) {
        throw SMCError::invalidDataSize(key.toString(), info.size, static_cast<std::uint32_t>(text.size()));
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    writeBlock(key, {DataTypes::Ch8String.type, info.size}, smcBytes(std::span(bytes, text.size())));
}

std::uint32_t SMCKit::numKeys() const
{
    return read<BigEndian<std::uint32_t>>("#KEY").value;
}

std::vector<std::uint32_t> SMCKit::allKeys() const
{
    const std::uint32_t count = numKeys();
    std::vector<std::uint32_t> keys;
    // A corrupt count must end in the SMC's error for the first missing index,
    // not in an allocation of gigabytes up front.
    keys.reserve(std::min<std::uint32_t>(count, 4096));
    for (std::uint32_t index = 0; index < count; ++index) {
        UInt32Char_t chars{};
        check(SMCGetKeyFromIndex(index, chars, connection_), "Index " + std::to_string(index));
        keys.push_back(KeyCode::fromCharArray(chars));
    }
    return keys;
}

}  // namespace smckit
