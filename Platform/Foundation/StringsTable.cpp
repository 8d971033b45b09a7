#include "Foundation/StringsTable.h"

#include <cstdint>

namespace platform {

namespace {

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text)
    {
        if (text_.substr(0, 3) == "\xEF\xBB\xBF") {
            position_ = 3;
        }
    }

    bool atEnd()
    {
        skipSpaceAndComments();
        return position_ >= text_.size();
    }

    char peek()
    {
        skipSpaceAndComments();
        return position_ < text_.size() ? text_[position_] : '\0';
    }

    void expect(char wanted)
    {
        if (peek() != wanted) {
            fail(std::string("expected '") + wanted + "'");
        }
        ++position_;
    }

    std::string quoted()
    {
        expect('"');
        std::string out;
        while (true) {
            if (position_ >= text_.size()) {
                fail("unterminated string");
            }
            const char c = text_[position_++];
            if (c == '"') {
                return out;
            }
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            if (position_ >= text_.size()) {
                fail("unterminated escape");
            }
            const char escaped = text_[position_++];
            switch (escaped) {
            case 'n': out.push_back('\n'); break;
            case 't': out.push_back('\t'); break;
            case 'r': out.push_back('\r'); break;
            case 'U':
            case 'u': appendUnicodeEscape(out); break;
            default: out.push_back(escaped); break;
            }
        }
    }

    [[noreturn]] void fail(const std::string& what) const
    {
        size_t line = 1;
        for (size_t i = 0; i < position_ && i < text_.size(); ++i) {
            line += text_[i] == '\n' ? 1 : 0;
        }
        throw StringsTableError("string table line " + std::to_string(line) + ": " + what);
    }

private:
    void skipSpaceAndComments()
    {
        while (position_ < text_.size()) {
            const char c = text_[position_];
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
                ++position_;
            } else if (text_.substr(position_, 2) == "//") {
                const size_t end = text_.find('\n', position_);
                position_ = end == std::string_view::npos ? text_.size() : end + 1;
            } else if (text_.substr(position_, 2) == "/*") {
                const size_t end = text_.find("*/", position_ + 2);
                if (end == std::string_view::npos) {
                    fail("unterminated comment");
                }
                position_ = end + 2;
            } else {
                return;
            }
        }
    }

    uint32_t hexUnit()
    {
        if (position_ + 4 > text_.size()) {
            fail("short \\U escape");
        }
        uint32_t unit = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[position_++];
            unit <<= 4;
            if (c >= '0' && c <= '9') {
                unit |= static_cast<uint32_t>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                unit |= static_cast<uint32_t>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                unit |= static_cast<uint32_t>(c - 'A' + 10);
            } else {
                fail("bad \\U escape");
            }
        }
        return unit;
    }

    void appendUnicodeEscape(std::string& out)
    {
        uint32_t code = hexUnit();
        if (code >= 0xD800 && code <= 0xDBFF) {
            if (text_.substr(position_, 2) != "\\U" && text_.substr(position_, 2) != "\\u") {
                fail("unpaired surrogate");
            }
            position_ += 2;
            const uint32_t low = hexUnit();
            if (low < 0xDC00 || low > 0xDFFF) {
                fail("unpaired surrogate");
            }
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        } else if (code >= 0xDC00 && code <= 0xDFFF) {
            fail("unpaired surrogate");
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }

    std::string_view text_;
    size_t position_ = 0;
};

}  // namespace

StringsTable StringsTable::parse(std::string_view text)
{
    StringsTable table;
    Reader reader(text);
    while (!reader.atEnd()) {
        std::string key = reader.quoted();
        std::string value;
        if (reader.peek() == '=') {
            reader.expect('=');
            value = reader.quoted();
        } else {
            value = key;
        }
        reader.expect(';');
        table.entries_.insert_or_assign(std::move(key), std::move(value));
    }
    return table;
}

std::optional<std::string> StringsTable::value(std::string_view key) const
{
    if (const auto found = entries_.find(std::string(key)); found != entries_.end()) {
        return found->second;
    }
    return std::nullopt;
}

}  // namespace platform
