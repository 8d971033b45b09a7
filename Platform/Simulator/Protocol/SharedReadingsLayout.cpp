#include "Simulator/SharedReadingsLayout.h"

#include <algorithm>
#include <cstring>

namespace simulator {

namespace {

constexpr std::size_t recordHeaderSize = 8;
constexpr std::size_t recordAlignment = 8;
constexpr std::size_t maximumNameLength = 255;

std::size_t aligned(std::size_t offset)
{
    return (offset + recordAlignment - 1) / recordAlignment * recordAlignment;
}

std::uint32_t load32(const std::uint8_t* in)
{
    std::uint32_t value;
    std::memcpy(&value, in, sizeof value);
    return value;
}

void store32(std::uint8_t* out, std::uint32_t value)
{
    std::memcpy(out, &value, sizeof value);
}

}  // namespace

std::uint8_t* SharedReadingsContent::addRecord(SharedRecordKind kind, std::uint8_t operation, std::uint8_t outcome,
                                               std::string_view name, std::size_t bodyLength)
{
    if (name.size() > maximumNameLength) {
        return nullptr;
    }
    const std::size_t start = aligned(bytes_.size());
    bytes_.resize(start + recordHeaderSize + name.size() + bodyLength, 0);
    std::uint8_t* record = bytes_.data() + start;
    record[0] = static_cast<std::uint8_t>(kind);
    record[1] = operation;
    record[2] = outcome;
    record[3] = static_cast<std::uint8_t>(name.size());
    store32(record + 4, static_cast<std::uint32_t>(bodyLength));
    std::memcpy(record + recordHeaderSize, name.data(), name.size());
    recordEnds_.push_back(bytes_.size());
    return record + recordHeaderSize + name.size();
}

void SharedReadingsContent::addUserClientKeys(std::string_view serviceClass, std::span<const smc::KeyView> keys)
{
    std::uint8_t* entry =
        addRecord(SharedRecordKind::userClientKeys, 0, 0, serviceClass, keys.size() * sharedKeyEntrySize);
    if (entry == nullptr) {
        return;
    }
    for (const smc::KeyView& key : keys) {
        store32(entry, key.code);
        store32(entry + 4, key.type);
        const std::size_t size = std::min(key.value.size(), smc::bytesCapacity);
        entry[8] = static_cast<std::uint8_t>(size);
        entry[9] = key.attributes;
        std::memcpy(entry + 12, key.value.data(), size);
        entry += sharedKeyEntrySize;
    }
}

void SharedReadingsContent::addQueryAnswer(QueryOperation operation, std::string_view className,
                                           QueryOutcome outcome, std::span<const std::uint8_t> body)
{
    std::uint8_t* out = addRecord(SharedRecordKind::queryAnswer, static_cast<std::uint8_t>(operation),
                                  static_cast<std::uint8_t>(outcome), className, body.size());
    if (out != nullptr && !body.empty()) {
        std::memcpy(out, body.data(), body.size());
    }
}

std::size_t SharedReadingsContent::lengthWithin(std::size_t capacity) const
{
    const auto fitting = std::upper_bound(recordEnds_.begin(), recordEnds_.end(), capacity);
    return fitting == recordEnds_.begin() ? 0 : *std::prev(fitting);
}

std::optional<SharedRecordBody> findSharedRecord(std::span<const std::uint8_t> content, SharedRecordKind kind,
                                                 QueryOperation operation, std::string_view name)
{
    const std::uint8_t wantedOperation =
        kind == SharedRecordKind::queryAnswer ? static_cast<std::uint8_t>(operation) : 0;
    std::size_t offset = 0;
    while (offset + recordHeaderSize <= content.size()) {
        const std::uint8_t* record = content.data() + offset;
        const std::size_t nameLength = record[3];
        const std::size_t bodyLength = load32(record + 4);
        const std::size_t bodyOffset = offset + recordHeaderSize + nameLength;
        if (bodyOffset > content.size() || bodyLength > content.size() - bodyOffset) {
            return std::nullopt;
        }
        if (record[0] == static_cast<std::uint8_t>(kind) && record[1] == wantedOperation &&
            std::string_view(reinterpret_cast<const char*>(record + recordHeaderSize), nameLength) == name) {
            return SharedRecordBody{bodyOffset, bodyLength, static_cast<QueryOutcome>(record[2])};
        }
        offset = aligned(bodyOffset + bodyLength);
    }
    return std::nullopt;
}

std::optional<std::size_t> findSharedKey(std::span<const std::uint8_t> keys, std::uint32_t code)
{
    std::size_t low = 0;
    std::size_t high = keys.size() / sharedKeyEntrySize;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        const std::uint32_t found = load32(keys.data() + middle * sharedKeyEntrySize);
        if (found == code) {
            return middle * sharedKeyEntrySize;
        }
        if (found < code) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return std::nullopt;
}

smc::KeyView sharedKeyOf(std::span<const std::uint8_t> entry)
{
    smc::KeyView key;
    key.code = load32(entry.data());
    key.type = load32(entry.data() + 4);
    key.attributes = entry[9];
    key.value = entry.subspan(12, std::min<std::size_t>(entry[8], smc::bytesCapacity));
    return key;
}

}  // namespace simulator
