#include "AppIntents/LocalizedStringResource.h"

#include "Foundation/Bundle.h"
#include "TestSupport/TemporaryRoot.h"

#include <gtest/gtest.h>

namespace {

using platform::LocalizedStringResource;

// A bundle whose English table translates the keys the tests use.
class TranslatedBundle {
public:
    TranslatedBundle()
    {
        root_.write("Test.app/Contents/Resources/en.lproj/Localizable.strings",
                    "\"已在 %lld%% 暂停充电。\" = \"Paused at %lld%%.\";\n"
                    "\"当前状态：%@\" = \"State: %@\";\n"
                    "\"用 ${applicationName} 充满\" = \"Charge to full with ${applicationName}\";\n");
    }
    platform::Bundle bundle() const { return platform::Bundle(root_.path() / "Test.app"); }

private:
    TemporaryRoot root_;
};

TEST(LocalizedStringResourceTest, AnInterpolatedTextKeysLikeItsLiteralAndFillsItsArgumentsInOrder)
{
    const TranslatedBundle translated;
    const platform::Bundle bundle = translated.bundle();

    const LocalizedStringResource paused =
        LocalizedStringResource().appendLiteral("已在 ").appendInterpolation(42LL).appendLiteral("% 暂停充电。");
    EXPECT_EQ(paused.key(), "已在 %lld%% 暂停充电。");
    EXPECT_EQ(paused.resolved(bundle, "en"), "Paused at 42%.");
    // No table for the language: the key is the text, still filled in.
    EXPECT_EQ(paused.resolved(bundle, "zh-Hans"), "已在 42% 暂停充电。");

    const LocalizedStringResource state =
        LocalizedStringResource().appendLiteral("当前状态：").appendInterpolation(std::string("充电中"));
    EXPECT_EQ(state.key(), "当前状态：%@");
    EXPECT_EQ(state.resolved(bundle, "en"), "State: 充电中");

    // An argument's own "%" or placeholder is text, not a format.
    const LocalizedStringResource odd =
        LocalizedStringResource().appendInterpolation(std::string("100%lld")).appendLiteral(" 已开始充满。");
    EXPECT_EQ(odd.resolved(bundle, "en"), "100%lld 已开始充满。");
}

TEST(LocalizedStringResourceTest, APlainLiteralIsItsOwnKeyAndIsShownAsItStands)
{
    const TranslatedBundle translated;
    const LocalizedStringResource literal("充到 100% 为止");
    EXPECT_EQ(literal.key(), "充到 100% 为止");
    EXPECT_EQ(literal.resolved(translated.bundle(), "en"), "充到 100% 为止");

    // A literal that grows into an interpolated text escapes what it had.
    LocalizedStringResource grown("100%");
    grown.appendInterpolation(5LL);
    EXPECT_EQ(grown.key(), "100%%%lld");
    EXPECT_EQ(grown.resolved(translated.bundle(), "en"), "100%5");
}

TEST(LocalizedStringResourceTest, ATokenStaysInTheTextForWhoeverPresentsIt)
{
    const TranslatedBundle translated;
    const LocalizedStringResource phrase =
        LocalizedStringResource().appendLiteral("用 ").appendToken("applicationName").appendLiteral(" 充满");
    EXPECT_EQ(phrase.key(), "用 ${applicationName} 充满");
    const std::string english = phrase.resolved(translated.bundle(), "en");
    EXPECT_EQ(english, "Charge to full with ${applicationName}");
    EXPECT_EQ(platform::fillToken(english, "applicationName", "Tallowmere"), "Charge to full with Tallowmere");
    // A value that holds the token itself is not filled again.
    EXPECT_EQ(platform::fillToken("${a} ${a}", "a", "${a}"), "${a} ${a}");
}

TEST(LocalizedStringResourceTest, AFormatWithMorePlaceholdersThanArgumentsKeepsTheRest)
{
    EXPECT_EQ(LocalizedStringResource::format("%lld and %@ and %d", {7LL}), "7 and %@ and %d");
    EXPECT_EQ(LocalizedStringResource::format("50%", {}), "50%");
}

}  // namespace
