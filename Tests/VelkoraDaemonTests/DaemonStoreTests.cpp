#include "DaemonStore.h"

#include <VelkoraCore/IPC.h>

#include <Foundation/SimulatedRoot.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

namespace velkora {
namespace {

class DaemonStoreTests : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "daemon-store-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        setenv("SIMMAC_ROOT", root_.c_str(), 1);
    }

    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    static void write(const std::filesystem::path& file, const std::string& contents)
    {
        std::ofstream output(file, std::ios::binary | std::ios::trunc);
        output << contents;
    }

    static std::string read(const std::filesystem::path& file)
    {
        std::ifstream input(file, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(input)), std::istreambuf_iterator<char>());
    }

    std::filesystem::path root_;
};

TEST_F(DaemonStoreTests, RootKeepsThePolicyInTheSystemFolderAndOthersInTheirHome)
{
    const DaemonStore rootStore(0);
    EXPECT_EQ(rootStore.policyURL(), root_ / "Library/Application Support/Velkora/policy.json");
    EXPECT_TRUE(std::filesystem::is_directory(rootStore.directoryURL()));

    const DaemonStore userStore(501);
    EXPECT_EQ(userStore.policyURL(),
              platform::SimulatedRoot::homeDirectory() / "Library/Application Support/Velkora/policy.json");
}

TEST_F(DaemonStoreTests, UnusableFilesLoadAsTheDefaultPolicy)
{
    const DaemonStore store(0);
    EXPECT_EQ(store.loadPolicy(), ChargePolicy::defaultPolicy()) << "missing file";

    std::string missingKey = R"({"managementEnabled":true,"chargeLimit":60,"automaticDischarge":false,)"
                             R"("sailingEnabled":true,"sailingDelta":5,"heatProtectionEnabled":false,)"
                             R"("heatLimitCelsius":40,"useHardwarePercentage":false,"preserveWhenAppClosed":true,)"
                             R"("stopChargingBeforeSleep":true,"preventSleepUntilLimit":false})";
    const struct {
        const char* name;
        std::string contents;
    } cases[] = {
        {"empty", ""},
        {"corrupt", "{\"managementEnabled\":tr"},
        {"array", "[1,2,3]"},
        {"missing key", missingKey},
        {"wrong type", R"({"managementEnabled":"yes"})"},
        {"binary", std::string("\x00\xff\xfe", 3)},
    };
    for (const auto& unusable : cases) {
        write(store.policyURL(), unusable.contents);
        EXPECT_EQ(store.loadPolicy(), ChargePolicy::defaultPolicy()) << unusable.name;
    }
}

TEST_F(DaemonStoreTests, PoliciesAreNormalisedOnTheWayInAndOut)
{
    const DaemonStore store(0);
    ChargePolicy stored;
    stored.managementEnabled = true;
    stored.chargeLimit = 10;
    stored.sailingDelta = 0;
    stored.heatLimitCelsius = 60;
    const std::vector<std::uint8_t> bytes = IPC::encode(stored);
    write(store.policyURL(), std::string(bytes.begin(), bytes.end()));
    const ChargePolicy loaded = store.loadPolicy();
    EXPECT_TRUE(loaded.managementEnabled);
    EXPECT_EQ(loaded.chargeLimit, 20);
    EXPECT_EQ(loaded.sailingDelta, 1);
    EXPECT_EQ(loaded.heatLimitCelsius, 45);

    ChargePolicy saved;
    saved.chargeLimit = 150;
    saved.heatLimitCelsius = 60;
    store.savePolicy(saved);
    const std::string text = read(store.policyURL());
    EXPECT_NE(text.find("\"chargeLimit\":100"), std::string::npos) << text;
    EXPECT_NE(text.find("\"heatLimitCelsius\":45"), std::string::npos) << text;
    EXPECT_EQ(text.find('\n'), std::string::npos) << "compact output";
}

TEST_F(DaemonStoreTests, SavingReplacesTheFileAndLeavesNoTemporaryBehind)
{
    const DaemonStore store(0);
    ChargePolicy policy;
    policy.managementEnabled = true;
    for (std::int64_t limit = 20; limit <= 100; limit += 20) {
        policy.chargeLimit = limit;
        store.savePolicy(policy);
        EXPECT_EQ(store.loadPolicy(), policy);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(store.directoryURL()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(DaemonStoreTests, TemporariesOfAnInterruptedSaveAreClearedAtTheNextStart)
{
    const std::filesystem::path folder = DaemonStore(0).directoryURL();
    write(folder / ".policy.json.4242.17", "{\"managementEnabled\":tr");
    write(folder / "notes.txt", "kept");
    const DaemonStore store(0);
    EXPECT_FALSE(std::filesystem::exists(folder / ".policy.json.4242.17"));
    EXPECT_TRUE(std::filesystem::exists(folder / "notes.txt"));
}

TEST_F(DaemonStoreTests, AFailedSaveSaysWhyAndKeepsTheOldFile)
{
    const DaemonStore store(0);
    ChargePolicy old;
    old.chargeLimit = 70;
    store.savePolicy(old);

    // The file's place taken by a folder: the rename cannot replace it.
    std::filesystem::remove(store.policyURL());
    std::filesystem::create_directory(store.policyURL());
    write(store.policyURL() / "inside", "x");
    try {
        store.savePolicy(ChargePolicy::defaultPolicy());
        FAIL() << "saving over a folder succeeded";
    } catch (const std::system_error& error) {
        EXPECT_NE(std::string(error.what()).find("Cannot save the charge policy"), std::string::npos) << error.what();
        EXPECT_NE(std::string(error.what()).find("policy.json"), std::string::npos) << error.what();
    }
    EXPECT_TRUE(std::filesystem::is_directory(store.policyURL()));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(store.directoryURL()),
                            std::filesystem::directory_iterator()),
              1)
        << "the temporary was removed";
}

TEST_F(DaemonStoreTests, AFolderThatCannotBeCreatedFailsTheFirstSave)
{
    std::filesystem::create_directories(root_ / "Library/Application Support");
    write(root_ / "Library/Application Support/Velkora", "a file where the folder belongs");
    const DaemonStore store(0);
    EXPECT_EQ(store.loadPolicy(), ChargePolicy::defaultPolicy());
    EXPECT_THROW(store.savePolicy(ChargePolicy::defaultPolicy()), std::system_error);
}

}  // namespace
}  // namespace velkora
