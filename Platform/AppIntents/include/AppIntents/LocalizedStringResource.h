#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace platform {

class Bundle;

// A text that Shortcuts shows in the user's language: a key of the
// application's string table "Localizable" and the values interpolated into
// it. A plain literal is its own key. A text built piece by piece keys the
// way an interpolated literal does: literal pieces as they are, with "%"
// written "%%"; an integer as "%lld"; a text as "%@"; a named token (the
// application's name in a phrase, a parameter in a summary) as "${name}",
// left for whoever presents the text to fill.
class LocalizedStringResource {
public:
    using Argument = std::variant<long long, std::string>;

    LocalizedStringResource() = default;
    // A plain literal.
    LocalizedStringResource(std::string_view literal);
    LocalizedStringResource(const char* literal) : LocalizedStringResource(std::string_view(literal)) {}

    LocalizedStringResource& appendLiteral(std::string_view text);
    LocalizedStringResource& appendInterpolation(long long value);
    LocalizedStringResource& appendInterpolation(std::string text);
    LocalizedStringResource& appendToken(std::string_view name);

    const std::string& key() const { return key_; }
    const std::vector<Argument>& arguments() const { return arguments_; }

    // The table's text for the key in `localization` (a folder name such as
    // "en"), or the key itself without an entry. In an interpolated text
    // "%lld" and "%@" take the arguments in order and "%%" is "%"; a plain
    // literal is shown as it stands.
    std::string resolved(const Bundle& bundle, std::string_view localization) const;

    // A format as resolved() fills it; placeholders without an argument stay.
    static std::string format(std::string_view format, const std::vector<Argument>& arguments);

    bool operator==(const LocalizedStringResource&) const = default;

private:
    std::string key_;
    std::vector<Argument> arguments_;
    bool interpolated_ = false;
};

// `text` with every "${name}" replaced by `value`.
std::string fillToken(std::string text, std::string_view name, std::string_view value);

}  // namespace platform
