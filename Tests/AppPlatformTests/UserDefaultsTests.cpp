#include "UserDefaults/UserDefaults.h"

#include "Foundation/SimulatedRoot.h"

#include <TestSupport/TemporaryRoot.h>

#include <gtest/gtest.h>

using platform::UserDefaults;

TEST(UserDefaults, WritesAPropertyListUnderTheSimulatedHome)
{
    TemporaryRoot root;
    {
        UserDefaults defaults(QStringLiteral("com.velkora.test"));
        defaults.set(QStringLiteral("flag"), false);
        defaults.set(QStringLiteral("count"), 4);
        defaults.set(QStringLiteral("negative"), -3);
        defaults.set(QStringLiteral("spacing"), 8.5);
        defaults.set(QStringLiteral("text"), QStringLiteral("浅色"));
        defaults.set(QStringLiteral("gone"), true);
        defaults.removeObject(QStringLiteral("gone"));
        EXPECT_EQ(defaults.filePath().toStdString(),
                  (platform::SimulatedRoot::homeDirectory() / "Library/Preferences/com.velkora.test.plist").string());
    }
    const std::string plist = root.read(
        (platform::SimulatedRoot::homeDirectory() / "Library/Preferences/com.velkora.test.plist").lexically_relative(root.path()));
    for (const char* expected : {"<key>flag</key>\n\t<false/>", "<key>count</key>\n\t<integer>4</integer>",
                                 "<key>negative</key>\n\t<integer>-3</integer>", "<key>spacing</key>\n\t<real>8.5",
                                 "<key>text</key>\n\t<string>浅色</string>"}) {
        EXPECT_NE(plist.find(expected), std::string::npos) << expected << " in\n" << plist;
    }
    EXPECT_EQ(plist.find("gone"), std::string::npos);

    const UserDefaults reread(QStringLiteral("com.velkora.test"));
    EXPECT_EQ(reread.object(QStringLiteral("negative")).toLongLong(), -3);
    EXPECT_FALSE(reread.object(QStringLiteral("absent")).isValid());
}

TEST(UserDefaults, ReadsStoredValuesWithTheirPropertyListTypes)
{
    TemporaryRoot root;
    root.write((platform::SimulatedRoot::homeDirectory() / "Library/Preferences/com.velkora.other.plist")
                   .lexically_relative(root.path()),
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
               "<key>flag</key><true/><key>count</key><integer>7</integer><key>spacing</key><real>8</real>"
               "<key>text</key><string>light</string></dict></plist>");
    const UserDefaults defaults(QStringLiteral("com.velkora.other"));
    EXPECT_EQ(defaults.object(QStringLiteral("flag")).metaType().id(), QMetaType::Bool);
    EXPECT_EQ(defaults.object(QStringLiteral("count")).metaType().id(), QMetaType::LongLong);
    EXPECT_EQ(defaults.object(QStringLiteral("spacing")).metaType().id(), QMetaType::Double);
    EXPECT_EQ(defaults.object(QStringLiteral("text")).metaType().id(), QMetaType::QString);
    EXPECT_EQ(defaults.object(QStringLiteral("count")).toLongLong(), 7);
}

TEST(UserDefaults, BooleanReadingOfStoredObjects)
{
    TemporaryRoot root;
    UserDefaults defaults(QStringLiteral("com.velkora.test"));
    const std::vector<std::pair<QVariant, bool>> cases{
        {QVariant(true), true},
        {QVariant(false), false},
        {QVariant(qint64(2)), true},
        {QVariant(qint64(0)), false},
        {QVariant(0.5), true},
        {QVariant(QStringLiteral("YES")), true},
        {QVariant(QStringLiteral("true")), true},
        {QVariant(QStringLiteral("7")), true},
        {QVariant(QStringLiteral("no")), false},
        {QVariant(QStringLiteral("light")), false},
    };
    for (const auto& [value, expected] : cases) {
        defaults.set(QStringLiteral("key"), value);
        EXPECT_EQ(defaults.boolForKey(QStringLiteral("key")), expected) << value.toString().toStdString();
    }
    EXPECT_FALSE(defaults.boolForKey(QStringLiteral("absent")));
}
