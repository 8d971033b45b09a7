#include <gtest/gtest.h>

#include <set>

#include "Simmac/HardwareModel.h"
#include "Simmac/SMCKeyTable.h"
#include "Simmac/SimulatorError.h"

using simmac::HardwareModel;
using simmac::SMCKeyTable;
using simmac::SimulatorError;

namespace {

std::set<std::string> keyNames(const SMCKeyTable& table)
{
    std::set<std::string> names;
    for (const simmac::SMCKey& key : table.keys()) {
        names.insert(simmac::codeText(key.code));
    }
    return names;
}

SMCKeyTable tableOf(const char* name)
{
    const HardwareModel model = HardwareModel::load(SIMMAC_MODELS_DIRECTORY, name);
    return SMCKeyTable::fromModel(model.document(), model.name());
}

}  // namespace

TEST(HardwareModels, EachModelHasItsControlKeysAndLacksTheOthers)
{
    const std::vector<std::string> power{"#KEY", "PDTR", "VD0R", "ID0R"};
    const std::vector<std::string> battery{"B0AV", "B0AC"};
    struct Case {
        const char* model;
        std::vector<std::string> present;
        std::vector<std::string> absent;
    };
    const Case cases[] = {
        {"firmware-limit-laptop", {"bfF0", "bfD0", "bfE0", "CH0B", "CH0C", "CHTE", "CHIE", "ACLC"}, {"CH0I", "CH0J"}},
        {"legacy-laptop", {"CH0B", "CH0C", "CH0I", "CH0J", "ACLC"}, {"bfF0", "bfD0", "bfE0", "CHTE", "CHIE"}},
        {"chte-laptop", {"CHTE", "CH0I", "CHIE"}, {"ACLC", "bfF0", "CH0B", "CH0C", "CH0J"}},
        {"desktop", {}, {"B0AV", "B0AC", "CH0B", "CH0C", "CHTE", "CH0I", "CH0J", "CHIE", "ACLC", "bfF0", "BNum"}},
    };
    for (const Case& c : cases) {
        const SMCKeyTable table = tableOf(c.model);
        const std::set<std::string> names = keyNames(table);
        std::vector<std::string> present = c.present;
        present.insert(present.end(), power.begin(), power.end());
        if (std::string(c.model) != "desktop") {
            present.insert(present.end(), battery.begin(), battery.end());
        }
        for (const std::string& key : present) {
            EXPECT_TRUE(names.contains(key)) << c.model << " lacks " << key;
        }
        for (const std::string& key : c.absent) {
            EXPECT_FALSE(names.contains(key)) << c.model << " has " << key;
        }
        EXPECT_GE(table.count(), 25u) << c.model;
        for (const simmac::SMCKey& key : table.keys()) {
            const bool control = std::set<std::string>{"bfF0", "bfD0", "bfE0", "CH0B", "CH0C", "CHTE", "CH0I",
                                                       "CH0J", "CHIE", "ACLC"}
                                     .contains(simmac::codeText(key.code));
            EXPECT_EQ(key.writable, control) << c.model << " " << simmac::codeText(key.code);
        }
    }
}

TEST(HardwareModels, KeyCountIsBigEndianAndKeysAreInCodeOrder)
{
    const SMCKeyTable table = tableOf("firmware-limit-laptop");
    const simmac::SMCKey* count = table.find(0x234B4559);
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(simmac::hexText(count->value), "0000003B");
    EXPECT_EQ(table.count(), 0x3Bu);
    EXPECT_EQ(table.keys().front().code, 0x234B4559u);
    EXPECT_TRUE(std::is_sorted(table.keys().begin(), table.keys().end(),
                               [](const auto& a, const auto& b) { return a.code < b.code; }));
}

TEST(HardwareModels, BatteryIntegersFollowTheBuildsArchitecture)
{
    const SMCKeyTable table = tableOf("firmware-limit-laptop");
    const simmac::SMCKey* voltage = table.find(simmac::codeFromText("B0AV", "key"));
    ASSERT_NE(voltage, nullptr);
#if defined(__aarch64__)
    EXPECT_EQ(simmac::hexText(voltage->value), "3831");
#else
    EXPECT_EQ(simmac::hexText(voltage->value), "3138");
#endif
}

TEST(HardwareModels, BadEntriesAreRefusedNamingTheKey)
{
    const auto document = [](nlohmann::ordered_json key) {
        return nlohmann::ordered_json{{"smc", {{"keys", nlohmann::ordered_json::array({std::move(key)})}}}};
    };
    const auto entry = [](const char* key, const char* type, unsigned size, const char* value) {
        return nlohmann::ordered_json{{"key", key}, {"type", type}, {"size", size}, {"value", value}, {"writable", true}};
    };
    struct Case {
        nlohmann::ordered_json document;
        std::string message;
    };
    auto withOrder = entry("B0AV", "ui16", 2, "3138");
    withOrder["byteOrder"] = "little";
    auto notWritable = entry("CH0B", "ui8 ", 1, "00");
    notWritable.erase("writable");
    const Case cases[] = {
        {document(entry("CH0B", "ui8 ", 2, "00")), "model test, key \"CH0B\": value has 1 byte but size is 2"},
        {document(entry("CH0B", "ui8 ", 1, "0x")), "model test, key \"CH0B\": bad hex value \"0x\": use two hexadecimal digits per byte"},
        {document(entry("CH0", "ui8 ", 1, "00")), "model test, key \"CH0\": a key must be four characters, got \"CH0\""},
        {document(entry("CH0B", "ui8", 1, "00")), "model test, key \"CH0B\": a data type must be four characters, got \"ui8\""},
        {document(entry("#KEY", "ui32", 4, "00000001")), "model test, key \"#KEY\": \"#KEY\" is kept by simmac itself; leave it out"},
        {document(withOrder), "model test, key \"B0AV\": \"byteOrder\" can only be \"architecture\""},
        {document(notWritable), "model test, key \"CH0B\": needs \"writable\" true or false"},
        {{{"smc", {{"keys", nlohmann::ordered_json::array({entry("CH0B", "ui8 ", 1, "00"), entry("CH0B", "ui8 ", 1, "01")})}}}},
         "model test, key \"CH0B\": is listed twice"},
        {nlohmann::ordered_json::object(), "model test: no \"smc\" object with a \"keys\" list"},
    };
    for (const Case& c : cases) {
        try {
            SMCKeyTable::fromModel(c.document, "test");
            ADD_FAILURE() << "accepted: " << c.message;
        } catch (const SimulatorError& error) {
            EXPECT_EQ(error.what(), c.message);
        }
    }
}

TEST(HardwareModels, HexValuesAreReadInEitherCaseAndShownInUpperCase)
{
    EXPECT_EQ(simmac::bytesFromHex("0aFf4B"), (std::vector<std::uint8_t>{0x0A, 0xFF, 0x4B}));
    EXPECT_EQ(simmac::bytesFromHex("ABCDEF"), simmac::bytesFromHex("abcdef"));
    EXPECT_EQ(simmac::hexText(simmac::bytesFromHex("abcdef")), "ABCDEF");
    EXPECT_EQ(simmac::bytesFromHex(""), std::vector<std::uint8_t>{});
    for (const char* bad : {"0x0A", "0G", "ABC", " 0A", "0A "}) {
        EXPECT_THROW(simmac::bytesFromHex(bad), simmac::SimulatorError) << bad;
    }
}
