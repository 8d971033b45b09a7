#include "Foundation/Bundle.h"
#include "Foundation/StringsTable.h"

#include <TestSupport/TemporaryRoot.h>

#include <gtest/gtest.h>

using platform::Bundle;
using platform::StringsTable;
using platform::StringsTableError;

TEST(StringsTable, ReadsEntriesCommentsAndEscapes)
{
    const StringsTable table = StringsTable::parse(
        "\xEF\xBB\xBF/* heading */\n"
        "\"系统\" = \"System\";\n"
        "// a line comment\n"
        "\"quote\" = \"say \\\"hi\\\"\\n\\ttab \\\\ end\";\n"
        "\"unicode\" = \"\\U00e9\\U4e2d\\UD83D\\UDE00\";\n"
        "\"same\";\n"
        "\"later\" = \"first\"; \"later\" = \"second\";");
    EXPECT_EQ(table.value("系统"), "System");
    EXPECT_EQ(table.value("quote"), "say \"hi\"\n\ttab \\ end");
    EXPECT_EQ(table.value("unicode"), "é中😀");
    EXPECT_EQ(table.value("same"), "same");
    EXPECT_EQ(table.value("later"), "second");
    EXPECT_EQ(table.value("missing"), std::nullopt);
}

TEST(StringsTable, RejectsMalformedTextNamingTheLine)
{
    struct Case {
        const char* text;
        const char* line;
    };
    for (const Case& bad : {Case{"\"a\" = \"b\"", "line 1"}, Case{"\"a\" = \"b\";\n\"c\" = \"d", "line 2"},
                            Case{"\n\n/* open", "line 3"}, Case{"a = \"b\";", "line 1"},
                            Case{"\"a\" = \"\\UD800x\";", "line 1"}}) {
        try {
            StringsTable::parse(bad.text);
            ADD_FAILURE() << "accepted: " << bad.text;
        } catch (const StringsTableError& error) {
            EXPECT_NE(std::string(error.what()).find(bad.line), std::string::npos) << error.what();
        }
    }
}

TEST(Bundle, ReadsInfoPlistAndLocalizedStrings)
{
    TemporaryRoot root;
    root.write("Tallowmere.app/Contents/Info.plist",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
               "<key>CFBundleIdentifier</key><string>com.velkora.app</string>"
               "<key>SUEnableAutomaticChecks</key><true/></dict></plist>");
    root.write("Tallowmere.app/Contents/Resources/en.lproj/Localizable.strings", "\"深色\" = \"Dark\";\n");
    root.write("Tallowmere.app/Contents/Resources/fr.lproj/Localizable.strings", "\"深色\" = \"Sombre\"\n");
    const Bundle bundle(root.path() / "Tallowmere.app");

    EXPECT_EQ(bundle.bundleIdentifier(), "com.velkora.app");
    EXPECT_EQ(bundle.infoBool("SUEnableAutomaticChecks"), true);
    EXPECT_EQ(bundle.infoString("SUEnableAutomaticChecks"), std::nullopt);
    EXPECT_EQ(bundle.localizedString("深色", "en"), "Dark");
    EXPECT_EQ(bundle.localizedString("浅色", "en"), "浅色");
    EXPECT_EQ(bundle.localizedString("深色", "zh-Hans"), "深色");
    // A broken table is ignored as a whole rather than half read.
    EXPECT_EQ(bundle.localizedString("深色", "fr"), "深色");
}

TEST(Bundle, MainBundleOfABuildTreeProgramUsesTheBuildsResources)
{
    const Bundle& bundle = Bundle::main();
    EXPECT_EQ(bundle.bundleIdentifier(), std::nullopt);
    EXPECT_TRUE(std::filesystem::exists(bundle.resourcesDirectory() / "en.lproj" / "Localizable.strings"))
        << bundle.resourcesDirectory();
}
