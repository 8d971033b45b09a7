#include "AppIntents/AppIntentsCatalogue.h"

#include <gtest/gtest.h>

namespace {

using platform::AppIntentDeclaration;
using platform::IntentParameterDeclaration;
using platform::IntentParameterError;
using platform::IntentValue;

AppIntentDeclaration paintIntent()
{
    AppIntentDeclaration intent;
    intent.typeName = "PaintIntent";
    intent.title = "涂色";
    intent.parameters = {
        {"coats", "层数", IntentParameterDeclaration::Integer{20, 100, platform::IntControlStyle::stepper}},
        {"colour", "颜色", IntentParameterDeclaration::Enumeration{"Colour", {"green", "blinkOrange"}}},
    };
    return intent;
}

std::string refusal(const AppIntentDeclaration& intent, std::map<std::string, std::string, std::less<>> given)
{
    try {
        intent.bind(given);
    } catch (const IntentParameterError& error) {
        return error.what();
    }
    return "(accepted)";
}

TEST(ParameterBindingTest, ValuesWithinTheirDeclarationAreBoundByType)
{
    const AppIntentDeclaration intent = paintIntent();
    const auto bound = intent.bind({{"coats", "20"}, {"colour", "blinkOrange"}});
    EXPECT_EQ(bound.at("coats"), IntentValue(20LL));
    EXPECT_EQ(bound.at("colour"), IntentValue(std::string("blinkOrange")));
    EXPECT_EQ(intent.bind({{"coats", "+100"}, {"colour", "green"}}).at("coats"), IntentValue(100LL));
}

TEST(ParameterBindingTest, AnIntegerOutsideItsRangeOrNotAnIntegerIsRefusedNamingWhatItTakes)
{
    const AppIntentDeclaration intent = paintIntent();
    EXPECT_EQ(refusal(intent, {{"coats", "19"}, {"colour", "green"}}),
              "\"coats\" must be an integer from 20 to 100, not \"19\"");
    for (const std::string text : {"101", "150", "-60", "60.5", " 60", "60 ", "sixty", "", "+", "+-60", "0x3c",
                                   "99999999999999999999999"}) {
        EXPECT_NE(refusal(intent, {{"coats", text}, {"colour", "green"}}).find("must be an integer from 20 to 100"),
                  std::string::npos)
            << "\"" << text << "\"";
    }
}

TEST(ParameterBindingTest, AnEnumerationTakesOnlyItsSupportedRawValuesExactly)
{
    const AppIntentDeclaration intent = paintIntent();
    EXPECT_EQ(refusal(intent, {{"coats", "50"}, {"colour", "BlinkOrange"}}),
              "\"colour\" must be one of green, blinkOrange, not \"BlinkOrange\"");
    EXPECT_NE(refusal(intent, {{"coats", "50"}, {"colour", "orange"}}), "(accepted)");
    EXPECT_NE(refusal(intent, {{"coats", "50"}, {"colour", ""}}), "(accepted)");
}

TEST(ParameterBindingTest, UnknownAndMissingParametersAreRefused)
{
    const AppIntentDeclaration intent = paintIntent();
    EXPECT_EQ(refusal(intent, {{"coats", "50"}, {"colour", "green"}, {"gloss", "high"}}),
              "PaintIntent has no parameter \"gloss\"; it takes coats, colour");
    EXPECT_EQ(refusal(intent, {{"colour", "green"}}),
              "PaintIntent needs a value for \"coats\", an integer from 20 to 100 (coats=VALUE)");

    AppIntentDeclaration bare;
    bare.typeName = "BareIntent";
    EXPECT_TRUE(bare.bind({}).empty());
    EXPECT_EQ(refusal(bare, {{"limit", "60"}}), "BareIntent has no parameter \"limit\"; it takes none");
}

}  // namespace
