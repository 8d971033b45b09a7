#include "AppIntents/AppIntentsCatalogue.h"

#include <algorithm>
#include <charconv>

namespace platform {

namespace {

std::string quoted(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

std::string joined(const std::vector<std::string>& words)
{
    std::string text;
    for (const std::string& word : words) {
        text += (text.empty() ? "" : ", ") + word;
    }
    return text;
}

}  // namespace

std::string IntentParameterDeclaration::expectation() const
{
    if (const auto* integer = std::get_if<Integer>(&kind)) {
        return "an integer from " + std::to_string(integer->minimum) + " to " + std::to_string(integer->maximum);
    }
    return "one of " + joined(std::get<Enumeration>(kind).supportedValues);
}

IntentValue IntentParameterDeclaration::parse(const std::string& text) const
{
    const auto refuse = [&] {
        return IntentParameterError(quoted(name) + " must be " + expectation() + ", not " + quoted(text));
    };
    if (const auto* integer = std::get_if<Integer>(&kind)) {
        long long value = 0;
        // A leading "+" is as much a number as none; from_chars takes only "-".
        const std::string_view digits = text.starts_with('+') ? std::string_view(text).substr(1) : text;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (digits.empty() || digits.starts_with('-') != text.starts_with('-') || error != std::errc() ||
            end != digits.data() + digits.size() || value < integer->minimum || value > integer->maximum) {
            throw refuse();
        }
        return value;
    }
    const auto& supported = std::get<Enumeration>(kind).supportedValues;
    if (std::find(supported.begin(), supported.end(), text) == supported.end()) {
        throw refuse();
    }
    return text;
}

IntentParameters AppIntentDeclaration::bind(const std::map<std::string, std::string, std::less<>>& given) const
{
    IntentParameters bound;
    for (const auto& [name, text] : given) {
        const auto declared = std::find_if(parameters.begin(), parameters.end(),
                                           [&](const IntentParameterDeclaration& parameter) { return parameter.name == name; });
        if (declared == parameters.end()) {
            std::vector<std::string> names;
            for (const IntentParameterDeclaration& parameter : parameters) {
                names.push_back(parameter.name);
            }
            throw IntentParameterError(typeName + " has no parameter " + quoted(name) +
                                       (names.empty() ? "; it takes none" : "; it takes " + joined(names)));
        }
        bound.emplace(name, declared->parse(text));
    }
    for (const IntentParameterDeclaration& parameter : parameters) {
        if (!bound.contains(parameter.name)) {
            throw IntentParameterError(typeName + " needs a value for " + quoted(parameter.name) + ", " +
                                       parameter.expectation() + " (" + parameter.name + "=VALUE)");
        }
    }
    return bound;
}

const AppIntentDeclaration* AppIntentsCatalogue::intent(std::string_view typeName) const
{
    const auto found = std::find_if(intents.begin(), intents.end(),
                                    [&](const AppIntentDeclaration& intent) { return intent.typeName == typeName; });
    return found == intents.end() ? nullptr : &*found;
}

const AppEnumDeclaration* AppIntentsCatalogue::enumeration(std::string_view typeName) const
{
    const auto found =
        std::find_if(enumerations.begin(), enumerations.end(),
                     [&](const AppEnumDeclaration& enumeration) { return enumeration.typeName == typeName; });
    return found == enumerations.end() ? nullptr : &*found;
}

}  // namespace platform
