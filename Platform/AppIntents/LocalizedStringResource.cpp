#include "AppIntents/LocalizedStringResource.h"

#include "Foundation/Bundle.h"

namespace platform {

namespace {

std::string argumentText(const LocalizedStringResource::Argument& argument)
{
    if (const auto* number = std::get_if<long long>(&argument)) {
        return std::to_string(*number);
    }
    return std::get<std::string>(argument);
}

}  // namespace

LocalizedStringResource::LocalizedStringResource(std::string_view literal) : key_(literal) {}

LocalizedStringResource& LocalizedStringResource::appendLiteral(std::string_view text)
{
    if (!interpolated_) {
        // What was a plain literal so far becomes the start of a format.
        std::string escaped;
        for (const char c : key_) {
            escaped += c == '%' ? std::string("%%") : std::string(1, c);
        }
        key_ = std::move(escaped);
        interpolated_ = true;
    }
    for (const char c : text) {
        key_ += c;
        if (c == '%') {
            key_ += '%';
        }
    }
    return *this;
}

LocalizedStringResource& LocalizedStringResource::appendInterpolation(long long value)
{
    appendLiteral({});
    key_ += "%lld";
    arguments_.emplace_back(value);
    return *this;
}

LocalizedStringResource& LocalizedStringResource::appendInterpolation(std::string text)
{
    appendLiteral({});
    key_ += "%@";
    arguments_.emplace_back(std::move(text));
    return *this;
}

LocalizedStringResource& LocalizedStringResource::appendToken(std::string_view name)
{
    appendLiteral({});
    key_ += "${";
    key_ += name;
    key_ += '}';
    return *this;
}

std::string LocalizedStringResource::resolved(const Bundle& bundle, std::string_view localization) const
{
    std::string text = bundle.localizedString(key_, localization);
    return interpolated_ ? format(text, arguments_) : text;
}

std::string LocalizedStringResource::format(std::string_view format, const std::vector<Argument>& arguments)
{
    std::string text;
    std::size_t next = 0;
    for (std::size_t at = 0; at < format.size();) {
        const std::string_view rest = format.substr(at);
        if (rest.starts_with("%%")) {
            text += '%';
            at += 2;
        } else if (rest.starts_with("%lld") && next < arguments.size()) {
            text += argumentText(arguments[next++]);
            at += 4;
        } else if (rest.starts_with("%@") && next < arguments.size()) {
            text += argumentText(arguments[next++]);
            at += 2;
        } else {
            text += format[at++];
        }
    }
    return text;
}

std::string fillToken(std::string text, std::string_view name, std::string_view value)
{
    const std::string token = "${" + std::string(name) + "}";
    for (std::size_t at = text.find(token); at != std::string::npos; at = text.find(token, at + value.size())) {
        text.replace(at, token.size(), value);
    }
    return text;
}

}  // namespace platform
