#include <gtest/gtest.h>

#include "Simmac/IORegistryDump.h"
#include "Simmac/SimulatorError.h"

using simmac::IORegistryDump;
namespace registry = simmac::registry;

namespace {

registry::Value parse(const std::string& text)
{
    return IORegistryDump::parse(text, "AppleSmartBattery");
}

std::string errorOf(const std::string& text)
{
    try {
        parse(text);
    } catch (const simmac::SimulatorError& error) {
        return error.what();
    }
    return "accepted";
}

}  // namespace

TEST(IORegistryDump, ReadsEveryKindOfValueAsTheRegistryTypesIt)
{
    const registry::Value entry = parse(
        "{\n"
        "  \"ExternalConnected\" = Yes\n"
        "  \"FullyCharged\" = No\n"
        "  \"CycleCount\" = 187\n"
        "  \"Offset\" = -12\n"
        "  \"Amperage\" = 18446744073709550084\n"
        "  \"BatterySerialNumber\" = \"F8Y 2341\"\n"
        "  \"ManufacturerData\" = <00ff0A>\n"
        "  \"CellVoltage\" = (4259,4261 , 4260)\n"
        "  \"AdapterDetails\" = {\"Watts\"=96,\"Name\"=\"96W\",\"Inner\"={\"A\"=()},\"Flags\"=,\"Empty\"={}}\n"
        "  \"CarrierMode\" = \n"
        "}\n");
    EXPECT_EQ(registry::booleanOf(registry::member(entry, "ExternalConnected")), true);
    EXPECT_EQ(registry::booleanOf(registry::member(entry, "FullyCharged")), false);
    EXPECT_EQ(registry::integerOf(registry::member(entry, "CycleCount")), 187);
    EXPECT_EQ(registry::integerOf(registry::member(entry, "Offset")), -12);
    EXPECT_EQ(registry::integerOf(registry::member(entry, "Amperage")), -1532);
    EXPECT_EQ(*registry::member(entry, "BatterySerialNumber"), registry::text("F8Y 2341"));
    EXPECT_EQ(*registry::member(entry, "ManufacturerData"), registry::data(std::vector<std::uint8_t>{0x00, 0xFF, 0x0A}));
    EXPECT_EQ(*registry::member(entry, "CellVoltage"),
              registry::array({registry::integer(4259), registry::integer(4261), registry::integer(4260)}));
    const registry::Value* details = registry::member(entry, "AdapterDetails");
    ASSERT_NE(details, nullptr);
    EXPECT_EQ(registry::integerOf(registry::member(*details, "Watts")), 96);
    EXPECT_EQ(*registry::member(*details, "Flags"), registry::data({}));
    EXPECT_EQ(*registry::member(*details, "Empty"), registry::dictionary());
    EXPECT_EQ(*registry::member(*registry::member(*details, "Inner"), "A"), registry::array());
    EXPECT_EQ(*registry::member(entry, "CarrierMode"), registry::data({}));
}

TEST(IORegistryDump, FindsTheWantedObjectInATreeAndSkipsTheOthers)
{
    const registry::Value entry = parse(
        "+-o Root  <class IORegistryEntry, id 0x100000100, retain 27>\r\n"
        "  +-o smc  <class AppleARMIODevice, id 0x1000001a7>\r\n"
        "  | {\r\n"
        "  |   \"name\" = anything at all: this object is not read\r\n"
        "  | }\r\n"
        "  |\r\n"
        "  +-o AppleSmartBattery  <class AppleSmartBattery, id 0x100000b2c, registered>\r\n"
        "  | | {\r\n"
        "  | |   \"CycleCount\" = 7\r\n"
        "  | | }\r\n"
        "  +-o Other  <class Other>\r\n");
    EXPECT_EQ(registry::integerOf(registry::member(entry, "CycleCount")), 7);
}

TEST(IORegistryDump, WhatCannotBeReadIsReportedWithItsLine)
{
    struct Case {
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {"{\n  \"CycleCount\" = 18x7\n}\n", "line 2: unexpected \"x7\" after the value"},
        {"{\n  \"IsCharging\" = Maybe\n}\n",
         "line 2: cannot read the value \"Maybe\": expected Yes, No, a number, a \"text\", <data>, {a dictionary} or "
         "(an array)"},
        {"{\n\n  \"Serial\" = \"F8Y\n}\n", "line 3: a text has no closing quote"},
        {"{\n  \"Data\" = <0g>\n}\n", "line 2: data <0g> needs two hexadecimal digits per byte"},
        {"{\n  \"A\" = {\"B\"=1,\"B\"=2}\n}\n", "line 2: \"B\" appears twice in one dictionary"},
        {"{\n  \"A\" = {\"B\"=1\n}\n", "line 2: expected '}' before the end of the line"},
        {"{\n  \"A\" = (1,2\n}\n", "line 2: expected ')' before the end of the line"},
        {"{\n  \"A\" = 1\n  \"A\" = 2\n}\n", "line 3: \"A\" appears twice"},
        {"{\n  \"A\" = 99999999999999999999\n}\n", "line 2: the number 99999999999999999999 is out of range"},
        {"{\n  A = 1\n}\n", "line 2: expected a property line \"Key\" = value or the entry's closing }"},
        {"$ ioreg -rn AppleSmartBattery\n{\n}\n", "line 1: expected a \"+-o\" object line or an entry's {"},
        {"{\n  \"A\" = \"cut\n  \"B\" = 2\n", "line 2: a text has no closing quote"},
        {"+-o Other  <class Other>\n{\n}\n", "no registry entry of class AppleSmartBattery in the dump"},
        {"", "no registry entry of class AppleSmartBattery in the dump"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(errorOf(c.text), c.message) << c.text;
    }
}

TEST(IORegistryDump, ExcerptsAsPeoplePasteThemLoadWhatTheyHoldAndSayWhatWasAssumed)
{
    const struct {
        const char* name;
        std::string text;
        std::vector<std::string> assumed;
    } cases[] = {
        {"a whole entry at the margin", "{\n\"A\" = 1\n\"B\" = Yes\n}\n", {}},
        {"no braces at all", "\"A\" = 1\n\"B\" = Yes\n",
         {"line 1: no { before the properties; the entry starts here",
          "line 1: the entry has no closing }; it ends with the text"}},
        {"cut off after a whole line", " {\n  \"A\" = 1\n  \"B\" = Yes\n",
         {"line 1: the entry has no closing }; it ends with the text"}},
        {"cut off in the middle of a line", "    {\n      \"A\" = 1\n      \"B\" = Yes\n      \"C\" = {\"D\"=1,\"E",
         {"line 4: the last line is cut off; it is left out", "line 1: the entry has no closing }; it ends with the text"}},
        {"the wanted object without its brace", "+-o AppleSmartBattery  <class AppleSmartBattery>\n  \"A\" = 1\n  \"B\" = Yes\n}\n",
         {"line 2: no { before the properties; the entry starts here"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> assumed;
        const registry::Value entry = IORegistryDump::parse(c.text, "AppleSmartBattery", &assumed);
        EXPECT_EQ(registry::integerOf(registry::member(entry, "A")), 1);
        ASSERT_NE(registry::member(entry, "B"), nullptr);
        EXPECT_EQ(*registry::member(entry, "B"), registry::boolean(true));
        EXPECT_EQ(registry::member(entry, "C"), nullptr);
        EXPECT_EQ(assumed, c.assumed);
    }
    EXPECT_EQ(errorOf("+-o Other  <class Other>\n  \"A\" = 1\n"), "line 2: expected a \"+-o\" object line or an entry's {")
        << "another object's bare properties are not taken for the battery's";
}
