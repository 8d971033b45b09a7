#pragma once

#include "AppIntents/LocalizedStringResource.h"

#include <qcoro/qcorotask.h>

#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace platform {

// The value of a parameter or the value an action returns.
using IntentValue = std::variant<long long, double, std::string>;
// The parameter values of one run, by parameter name; an enumeration's value
// is its case's raw value.
using IntentParameters = std::map<std::string, IntentValue, std::less<>>;

// What an action hands back to Shortcuts: a dialog to show and, for an action
// that reads something, the value it read.
struct IntentResult {
    std::optional<IntentValue> value;
    LocalizedStringResource dialog;

    static IntentResult result(LocalizedStringResource dialog) { return {std::nullopt, std::move(dialog)}; }
    static IntentResult result(IntentValue value, LocalizedStringResource dialog)
    {
        return {std::move(value), std::move(dialog)};
    }
};

// Why Shortcuts refuses to run an action with the values it was given. The
// message names the action or parameter and what was wrong.
class IntentParameterError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct AppEnumCase {
    std::string rawValue;
    LocalizedStringResource title;
};

// An enumeration an action may take or return: its cases by raw value.
struct AppEnumDeclaration {
    std::string typeName;
    LocalizedStringResource typeDisplayName;
    std::vector<AppEnumCase> cases;
};

enum class IntControlStyle { field, stepper, slider };

// A parameter without a default value: Shortcuts asks for it, so every run
// must give one.
struct IntentParameterDeclaration {
    // A whole number within an inclusive range.
    struct Integer {
        long long minimum = 0;
        long long maximum = 0;
        IntControlStyle controlStyle = IntControlStyle::field;
    };
    // One of the supported cases of an enumeration of the catalogue.
    struct Enumeration {
        std::string typeName;
        std::vector<std::string> supportedValues;
    };

    std::string name;
    LocalizedStringResource title;
    std::variant<Integer, Enumeration> kind;

    // The value of `text` as this parameter takes it; throws
    // IntentParameterError saying what the parameter takes otherwise.
    IntentValue parse(const std::string& text) const;
    // What the parameter takes, in words: "an integer from 20 to 100".
    std::string expectation() const;
};

// One action as the application declares it to Shortcuts.
struct AppIntentDeclaration {
    using Perform = std::function<QCoro::Task<IntentResult>(IntentParameters)>;

    std::string typeName;
    LocalizedStringResource title;
    std::vector<IntentParameterDeclaration> parameters;
    // How Shortcuts words the action with its parameters, each one a token
    // named after it; none for an action without parameters.
    std::optional<LocalizedStringResource> parameterSummary;
    // False: the action runs without bringing the application forward.
    bool openAppWhenRun = false;
    // Runs the action with parameters that bind() accepted. Called on the
    // registry's thread; its errors' what() is what the user is shown.
    Perform perform;

    // The values given as text by parameter name, checked and converted;
    // throws IntentParameterError for an unknown parameter, a missing one or a
    // value that its parameter does not take.
    IntentParameters bind(const std::map<std::string, std::string, std::less<>>& given) const;
};

// An action published with a spoken phrase. The phrase's key holds the token
// "${applicationName}" for the application's name.
struct AppShortcut {
    std::string intentTypeName;
    LocalizedStringResource phrase;
    LocalizedStringResource shortTitle;
    std::string systemImageName;
};

// Everything an application declares to Shortcuts.
struct AppIntentsCatalogue {
    std::vector<AppIntentDeclaration> intents;
    std::vector<AppEnumDeclaration> enumerations;
    std::vector<AppShortcut> shortcuts;

    const AppIntentDeclaration* intent(std::string_view typeName) const;
    const AppEnumDeclaration* enumeration(std::string_view typeName) const;
};

// The declaration of an action type. `Intent` provides typeName, title(),
// and, when it takes parameters, parameters(), parameterSummary() and a
// static `Intent from(const IntentParameters&)` that builds it from bound
// values; `perform()` is a coroutine returning IntentResult.
template <typename Intent>
AppIntentDeclaration declareIntent()
{
    AppIntentDeclaration declaration;
    declaration.typeName = std::string(Intent::typeName);
    declaration.title = Intent::title();
    if constexpr (requires { Intent::parameters(); }) {
        declaration.parameters = Intent::parameters();
        declaration.parameterSummary = Intent::parameterSummary();
    }
    declaration.openAppWhenRun = Intent::openAppWhenRun;
    declaration.perform = [](IntentParameters values) -> QCoro::Task<IntentResult> {
        if constexpr (requires { Intent::from(values); }) {
            Intent intent = Intent::from(values);
            co_return co_await intent.perform();
        } else {
            Intent intent;
            co_return co_await intent.perform();
        }
    };
    return declaration;
}

}  // namespace platform
