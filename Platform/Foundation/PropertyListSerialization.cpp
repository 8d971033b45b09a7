#include "Foundation/PropertyListSerialization.h"

#include "Foundation/NSError.h"

#include <plist/plist.h>

#include <cstdlib>
#include <limits>
#include <memory>

namespace platform {

namespace {

// Property-list dates count from 2001-01-01 00:00:00 UTC.
constexpr std::chrono::seconds referenceDateOffset{978307200};

NSError corrupt(const std::string& problem)
{
    return NSError(NSCocoaErrorDomain, NSPropertyListReadCorruptError,
                   {{NSLocalizedDescriptionKey,
                     "The data couldn't be read because it isn't in the correct format: " + problem + "."}});
}

struct FreeDeleter {
    void operator()(char* text) const { std::free(text); }
};
using OwnedText = std::unique_ptr<char, FreeDeleter>;

PropertyList convert(plist_t node)
{
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        std::uint8_t flag = 0;
        plist_get_bool_val(node, &flag);
        return PropertyList{flag != 0};
    }
    case PLIST_UINT: {
        std::uint64_t number = 0;
        plist_get_uint_val(node, &number);
        // Negative integers come back in two's complement.
        return PropertyList{static_cast<std::int64_t>(number)};
    }
    case PLIST_REAL: {
        double number = 0;
        plist_get_real_val(node, &number);
        return PropertyList{number};
    }
    case PLIST_STRING: {
        char* raw = nullptr;
        plist_get_string_val(node, &raw);
        const OwnedText text(raw);
        return PropertyList{std::string(text ? text.get() : "")};
    }
    case PLIST_DATA: {
        char* raw = nullptr;
        std::uint64_t length = 0;
        plist_get_data_val(node, &raw, &length);
        const OwnedText bytes(raw);
        const auto* begin = reinterpret_cast<const std::uint8_t*>(bytes.get());
        return PropertyList{bytes ? PropertyList::Data(begin, begin + length) : PropertyList::Data{}};
    }
    case PLIST_DATE: {
        std::int32_t seconds = 0;
        std::int32_t microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        return PropertyList{PropertyList::Date(referenceDateOffset + std::chrono::seconds(seconds) +
                                               std::chrono::microseconds(microseconds))};
    }
    case PLIST_ARRAY: {
        PropertyList::Array items;
        const std::uint32_t count = plist_array_get_size(node);
        items.reserve(count);
        for (std::uint32_t index = 0; index < count; ++index) {
            items.push_back(convert(plist_array_get_item(node, index)));
        }
        return PropertyList{std::move(items)};
    }
    case PLIST_DICT: {
        PropertyList::Dictionary entries;
        plist_dict_iter iterator = nullptr;
        plist_dict_new_iter(node, &iterator);
        const std::unique_ptr<void, decltype(&std::free)> iteratorMemory(iterator, &std::free);
        for (;;) {
            char* rawKey = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iterator, &rawKey, &value);
            if (rawKey == nullptr) {
                break;
            }
            const OwnedText key(rawKey);
            entries.insert_or_assign(std::string(key.get()), convert(value));
        }
        return PropertyList{std::move(entries)};
    }
    case PLIST_UID: {
        std::uint64_t number = 0;
        plist_get_uid_val(node, &number);
        return PropertyList{static_cast<std::int64_t>(number)};
    }
    default:
        throw corrupt("it holds a value of no property-list type");
    }
}

}  // namespace

PropertyList PropertyListSerialization::propertyList(std::span<const std::uint8_t> data)
{
    if (data.empty()) {
        throw corrupt("there are no bytes");
    }
    if (data.size() > std::numeric_limits<std::uint32_t>::max()) {
        throw corrupt("it is too large");
    }
    plist_t root = nullptr;
    plist_from_memory(reinterpret_cast<const char*>(data.data()), static_cast<std::uint32_t>(data.size()), &root);
    if (root == nullptr) {
        throw corrupt("it is neither an XML nor a binary property list");
    }
    const std::unique_ptr<void, void (*)(plist_t)> owned(root, plist_free);
    return convert(root);
}

}  // namespace platform
