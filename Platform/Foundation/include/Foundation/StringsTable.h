#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>

namespace platform {

class StringsTableError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A string table as a bundle keeps it in <lang>.lproj/<Table>.strings: UTF-8
// text (an optional byte-order mark is skipped) of entries
//     "key" = "value";
// with /* */ and // comments, and the escapes \" \\ \n \t \r \' and \UXXXX
// (UTF-16 code units, surrogate pairs joined). An entry written as "key"; maps
// the key to itself.
class StringsTable {
public:
    StringsTable() = default;

    // Throws StringsTableError, naming the line, on text that is not a table.
    static StringsTable parse(std::string_view text);

    std::optional<std::string> value(std::string_view key) const;
    size_t size() const { return entries_.size(); }

private:
    std::unordered_map<std::string, std::string> entries_;
};

}  // namespace platform
