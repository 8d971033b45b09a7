#include "Simulator/SMCParamRecord.h"

#include <algorithm>
#include <cstring>

namespace simulator::smc {

std::uint32_t loadField(std::span<const std::uint8_t> record, std::size_t offset)
{
    std::uint32_t value;
    std::memcpy(&value, record.data() + offset, sizeof value);
    return value;
}

void storeField(std::span<std::uint8_t> record, std::size_t offset, std::uint32_t value)
{
    std::memcpy(record.data() + offset, &value, sizeof value);
}

bool isKeyRead(std::span<const std::uint8_t> input)
{
    return input.size() == recordSize &&
           (input[commandOffset] == commandReadKey || input[commandOffset] == commandKeyInfo);
}

void answerKeyRead(std::span<const std::uint8_t> input, const KeyView* key, std::span<std::uint8_t> record)
{
    std::fill(record.begin(), record.end(), 0);
    storeField(record, keyOffset, loadField(input, keyOffset));
    if (key == nullptr) {
        record[resultOffset] = resultKeyNotFound;
        return;
    }
    const auto size = static_cast<std::uint32_t>(key->value.size());
    if (input[commandOffset] == commandKeyInfo) {
        storeField(record, dataSizeOffset, size);
        storeField(record, dataTypeOffset, key->type);
        record[attributesOffset] = key->attributes;
        return;
    }
    if (loadField(input, dataSizeOffset) != size) {
        record[resultOffset] = resultKeySizeMismatch;
        return;
    }
    std::copy_n(key->value.begin(), std::min(key->value.size(), bytesCapacity), record.begin() + bytesOffset);
}

}  // namespace simulator::smc
