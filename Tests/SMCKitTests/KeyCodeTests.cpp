#include <gtest/gtest.h>

#include "SMCKit/DataType.h"
#include "SMCKit/KeyCode.h"

using smckit::KeyCode;

TEST(KeyCode, LiteralsPutTheFirstCharacterInTheMostSignificantByte)
{
    struct Case {
        KeyCode code;
        std::uint32_t expected;
        const char* text;
    };
    const Case cases[] = {
        {"#KEY", 0x234B4559, "#KEY"},
        {"flt ", 0x666C7420, "flt "},
        {"CH0B", 0x43483042, "CH0B"},
        {"ui8 ", 0x75693820, "ui8 "},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.code.value(), c.expected) << c.text;
        EXPECT_EQ(c.code.toString(), c.text);
        EXPECT_EQ(KeyCode::fromStaticString(c.text).value(), c.expected);
    }
}

TEST(KeyCode, CharArrayRoundTripEndsInNulAndIgnoresTheFifthCharacter)
{
    const std::array<char, 5> chars = KeyCode("#KEY").toCharArray();
    EXPECT_EQ(chars, (std::array<char, 5>{'#', 'K', 'E', 'Y', '\0'}));

    const UInt32Char_t withJunk = {'B', '0', 'A', 'V', 'x'};
    EXPECT_EQ(KeyCode::fromCharArray(withJunk).value(), KeyCode("B0AV").value());
}

TEST(KeyCode, HighBytesPassThroughAndPrintAsLatin1)
{
    const KeyCode code(0x41E9FF42u);
    EXPECT_EQ(code.toString(), "A\u00E9\u00FF" "B");
    const std::array<char, 5> chars = code.toCharArray();
    EXPECT_EQ(KeyCode::fromCharArray(chars.data()).value(), 0x41E9FF42u);
}

TEST(KeyCode, StaticStringOfAnotherLengthStopsTheProcess)
{
    EXPECT_DEATH(KeyCode::fromStaticString("CH0"), "not four bytes");
    EXPECT_DEATH(KeyCode::fromStaticString("CH0BX"), "not four bytes");
}

TEST(DataTypes, TableOfTypesAndSizes)
{
    using namespace smckit;
    const std::pair<DataType, std::pair<const char*, std::uint32_t>> table[] = {
        {DataTypes::UInt8, {"ui8 ", 1}},   {DataTypes::UInt16, {"ui16", 2}},  {DataTypes::UInt32, {"ui32", 4}},
        {DataTypes::UInt64, {"ui64", 8}},  {DataTypes::Int8, {"si8 ", 1}},    {DataTypes::Int16, {"si16", 2}},
        {DataTypes::Int32, {"si32", 4}},   {DataTypes::Int64, {"si64", 8}},   {DataTypes::Flag, {"flag", 1}},
        {DataTypes::Float, {"flt ", 4}},   {DataTypes::HexData, {"hex_", 0}}, {DataTypes::Ch8String, {"ch8*", 0}},
    };
    for (const auto& [type, expected] : table) {
        EXPECT_EQ(KeyCode(type.type).toString(), expected.first);
        EXPECT_EQ(type.size, expected.second) << expected.first;
    }
    EXPECT_NE(DataTypes::UInt8, DataTypes::Int8);
}
