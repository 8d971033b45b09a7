#pragma once

#include "AppIntents/AppIntentsCatalogue.h"

#include <string>
#include <string_view>
#include <vector>

// The painting action both Shortcuts suites publish: an integer field with
// bounds and a choice, so a listing, a form and a run each meet both kinds.
// Each suite derives `Intent` from it and says what a run answers.
template <typename Intent>
struct PaintIntentFields {
    static constexpr std::string_view typeName = "PaintIntent";
    static constexpr bool openAppWhenRun = false;
    static platform::LocalizedStringResource title() { return "涂色"; }
    static std::vector<platform::IntentParameterDeclaration> parameters()
    {
        using platform::IntentParameterDeclaration;
        return {{"coats", "层数", IntentParameterDeclaration::Integer{20, 100, platform::IntControlStyle::stepper}},
                {"colour", "颜色", IntentParameterDeclaration::Enumeration{"Colour", {"green", "blinkOrange"}}}};
    }
    static platform::LocalizedStringResource parameterSummary()
    {
        return platform::LocalizedStringResource().appendLiteral("涂 ").appendToken("coats").appendLiteral(" 层");
    }
    static Intent from(const platform::IntentParameters& values)
    {
        Intent intent;
        intent.coats = std::get<long long>(values.at("coats"));
        intent.colour = std::get<std::string>(values.at("colour"));
        return intent;
    }

    long long coats = 0;
    std::string colour;
};
