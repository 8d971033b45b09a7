#include "Simmac/IORegistryDump.h"

#include <charconv>
#include <optional>
#include <string>
#include <vector>

#include "Simmac/SMCKeyTable.h"
#include "Simmac/SimulatorError.h"

namespace simmac {

namespace {

[[noreturn]] void failAt(std::size_t line, const std::string& message)
{
    throw SimulatorError("line " + std::to_string(line) + ": " + message);
}

// One line's value text, read left to right.
class ValueReader {
public:
    ValueReader(std::string_view text, std::size_t line) : text_(text), line_(line) {}

    registry::Value readValue()
    {
        skipSpaces();
        if (atEnd() || peek() == ',' || peek() == '}' || peek() == ')') {
            return registry::data({});
        }
        const char first = peek();
        if (first == '"') {
            return registry::text(readQuoted());
        }
        if (first == '<') {
            return readData();
        }
        if (first == '{') {
            return readDictionary();
        }
        if (first == '(') {
            return readArray();
        }
        if (first == '-' || (first >= '0' && first <= '9')) {
            return readInteger();
        }
        const std::string_view word = readWord();
        if (word == "Yes") {
            return registry::boolean(true);
        }
        if (word == "No") {
            return registry::boolean(false);
        }
        fail("cannot read the value \"" + std::string(word.empty() ? text_.substr(position_, 20) : word) +
             "\": expected Yes, No, a number, a \"text\", <data>, {a dictionary} or (an array)");
    }

    // A quoted text; the quotes are not part of it.
    std::string readQuoted()
    {
        expect('"');
        const std::size_t end = text_.find('"', position_);
        if (end == std::string_view::npos) {
            fail("a text has no closing quote");
        }
        std::string quoted(text_.substr(position_, end - position_));
        position_ = end + 1;
        return quoted;
    }

    void expect(char wanted)
    {
        skipSpaces();
        if (atEnd() || peek() != wanted) {
            fail(std::string("expected '") + wanted + "'" +
                 (atEnd() ? " before the end of the line" : std::string(" but found '") + peek() + "'"));
        }
        ++position_;
    }

    void expectEnd()
    {
        skipSpaces();
        if (!atEnd()) {
            fail("unexpected \"" + std::string(text_.substr(position_)) + "\" after the value");
        }
    }

    [[noreturn]] void fail(const std::string& message) const { failAt(line_, message); }

private:
    bool atEnd() const { return position_ >= text_.size(); }
    char peek() const { return text_[position_]; }

    void skipSpaces()
    {
        while (!atEnd() && (peek() == ' ' || peek() == '\t')) {
            ++position_;
        }
    }

    std::string_view readWord()
    {
        const std::size_t start = position_;
        while (!atEnd() && ((peek() >= 'A' && peek() <= 'Z') || (peek() >= 'a' && peek() <= 'z'))) {
            ++position_;
        }
        return text_.substr(start, position_ - start);
    }

    registry::Value readInteger()
    {
        const std::size_t start = position_;
        if (peek() == '-') {
            ++position_;
        }
        while (!atEnd() && peek() >= '0' && peek() <= '9') {
            ++position_;
        }
        const std::string_view digits = text_.substr(start, position_ - start);
        const char* begin = digits.data();
        const char* end = digits.data() + digits.size();
        if (digits.front() == '-') {
            std::int64_t value = 0;
            const auto [stop, error] = std::from_chars(begin, end, value);
            if (error != std::errc() || stop != end) {
                fail("the number " + std::string(digits) + " is out of range");
            }
            return registry::integer(value);
        }
        std::uint64_t value = 0;
        const auto [stop, error] = std::from_chars(begin, end, value);
        if (error != std::errc() || stop != end) {
            fail("the number " + std::string(digits) + " is out of range");
        }
        // The registry's numbers are signed; ioreg prints their bits unsigned.
        return registry::integer(static_cast<std::int64_t>(value));
    }

    registry::Value readData()
    {
        expect('<');
        const std::size_t end = text_.find('>', position_);
        if (end == std::string_view::npos) {
            fail("data has no closing '>'");
        }
        const std::string_view digits = text_.substr(position_, end - position_);
        position_ = end + 1;
        std::vector<std::uint8_t> bytes;
        try {
            bytes = bytesFromHex(digits);
        } catch (const SimulatorError&) {
            fail("data <" + std::string(digits) + "> needs two hexadecimal digits per byte");
        }
        return registry::data(bytes);
    }

    registry::Value readDictionary()
    {
        expect('{');
        nlohmann::ordered_json members = nlohmann::ordered_json::object();
        skipSpaces();
        if (!atEnd() && peek() == '}') {
            ++position_;
            return registry::dictionary(std::move(members));
        }
        for (;;) {
            skipSpaces();
            const std::string key = readQuoted();
            expect('=');
            if (members.contains(key)) {
                fail("\"" + key + "\" appears twice in one dictionary");
            }
            members[key] = readValue();
            skipSpaces();
            if (!atEnd() && peek() == ',') {
                ++position_;
                continue;
            }
            expect('}');
            return registry::dictionary(std::move(members));
        }
    }

    registry::Value readArray()
    {
        expect('(');
        nlohmann::ordered_json elements = nlohmann::ordered_json::array();
        skipSpaces();
        if (!atEnd() && peek() == ')') {
            ++position_;
            return registry::array(std::move(elements));
        }
        for (;;) {
            elements.push_back(readValue());
            skipSpaces();
            if (!atEnd() && peek() == ',') {
                ++position_;
                continue;
            }
            expect(')');
            return registry::array(std::move(elements));
        }
    }

    std::string_view text_;
    std::size_t line_;
    std::size_t position_ = 0;
};

// The line without the tree's drawing in front of it and blanks at its end.
std::string_view content(std::string_view line)
{
    std::size_t start = 0;
    while (start < line.size() && (line[start] == ' ' || line[start] == '|' || line[start] == '\t')) {
        ++start;
    }
    std::size_t end = line.size();
    while (end > start && (line[end - 1] == ' ' || line[end - 1] == '\t' || line[end - 1] == '\r')) {
        --end;
    }
    return line.substr(start, end - start);
}

// Whether the object line "+-o Name  <class Class, ...>" is of class or name `wanted`.
bool objectMatches(std::string_view object, std::string_view wanted)
{
    object.remove_prefix(3);
    while (!object.empty() && object.front() == ' ') {
        object.remove_prefix(1);
    }
    const std::size_t classStart = object.find("<class ");
    std::string_view name = object.substr(0, classStart);
    while (!name.empty() && name.back() == ' ') {
        name.remove_suffix(1);
    }
    if (name == wanted) {
        return true;
    }
    if (classStart == std::string_view::npos) {
        return false;
    }
    std::string_view className = object.substr(classStart + 7);
    className = className.substr(0, className.find_first_of(",>"));
    return className == wanted;
}

}  // namespace

registry::Value IORegistryDump::parse(std::string_view text, std::string_view className,
                                      std::vector<std::string>* assumptions)
{
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    std::size_t lastLine = 0;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        if (!content(lines[index]).empty()) {
            lastLine = index + 1;
        }
    }
    const auto assume = [&](std::size_t number, const std::string& what) {
        if (assumptions != nullptr) {
            assumptions->push_back("line " + std::to_string(number) + ": " + what);
        }
    };

    enum class State { outside, skipping, reading };
    State state = State::outside;
    bool sawObjects = false;
    bool objectWanted = false;
    std::size_t blockLine = 0;
    registry::Value properties = registry::dictionary();

    for (std::size_t index = 0; index < lines.size(); ++index) {
        const std::size_t number = index + 1;
        const std::string_view line = content(lines[index]);
        if (line.empty()) {
            continue;
        }
        if (state == State::skipping) {
            state = line == "}" ? State::outside : State::skipping;
            continue;
        }
        if (state == State::outside && line.front() == '"' && (objectWanted || !sawObjects)) {
            assume(number, "no { before the properties; the entry starts here");
            state = State::reading;
            blockLine = number;
        }
        if (state == State::reading) {
            if (line == "}") {
                return properties;
            }
            if (line.front() != '"') {
                failAt(number, "expected a property line \"Key\" = value or the entry's closing }");
            }
            ValueReader reader(line, number);
            std::string key;
            registry::Value value;
            try {
                key = reader.readQuoted();
                reader.expect('=');
                value = reader.readValue();
                reader.expectEnd();
            } catch (const SimulatorError&) {
                if (number != lastLine) {
                    throw;
                }
                assume(number, "the last line is cut off; it is left out");
                break;
            }
            if (registry::member(properties, key) != nullptr) {
                failAt(number, "\"" + key + "\" appears twice");
            }
            registry::setMember(properties, key, std::move(value));
            continue;
        }
        if (line.starts_with("+-o")) {
            sawObjects = true;
            objectWanted = objectMatches(line, className);
            continue;
        }
        if (line == "{") {
            blockLine = number;
            state = objectWanted || !sawObjects ? State::reading : State::skipping;
            continue;
        }
        failAt(number, "expected a \"+-o\" object line or an entry's {");
    }
    if (state == State::reading) {
        assume(blockLine, "the entry has no closing }; it ends with the text");
        return properties;
    }
    throw SimulatorError("no registry entry of class " + std::string(className) + " in the dump");
}

}  // namespace simmac
