#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "SMCKit/SMCKit.h"
#include "TestSupport/SimmacProcess.h"

using smckit::BigEndian;
using smckit::KeyCode;
using smckit::SMCError;
using smckit::SMCKit;
using testsupport::SimmacProcess;

namespace {

constexpr uid_t nobody = 65534;

std::string readHex(const SimmacProcess& simmac, const std::string& key)
{
    const auto result = simmac.simmacctl({"smc", "read", key});
    EXPECT_EQ(result.exitCode, 0) << result.errorOutput;
    const std::size_t tab = result.output.rfind('\t');
    return result.output.substr(tab + 1, result.output.size() - tab - 2);
}

template <typename F>
SMCError errorOf(F&& operation)
{
    try {
        operation();
    } catch (const SMCError& error) {
        return error;
    }
    ADD_FAILURE() << "no SMCError";
    return SMCError::unknown("none", 0, 0);
}

// Runs `body` in a child process as an unprivileged user; the child's exit
// code is body's result (0 = all expectations held).
int runAsUnprivilegedUser(const std::function<int()>& body)
{
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(nobody) != 0 || setuid(nobody) != 0) {
            _exit(100);
        }
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 200 + WTERMSIG(status);
}

// The key-information cache lives as long as the process; tests that run in
// one process with different models must not see each other's keys.
class SMCKitWithSimmac : public ::testing::Test {
protected:
    void SetUp() override { SMCCleanupCache(); }
};

}  // namespace

TEST_F(SMCKitWithSimmac, TypedReadsDecodeTheModelsValues)
{
    // The battery keys follow the physics; hold it still so they keep the model's values.
    SimmacProcess::Options still;
    still.speed = 0;
    SimmacProcess simmac(still);
    SMCKit smc;
    EXPECT_FLOAT_EQ(smc.read<float>("VD0R"), 20.0f);
    EXPECT_FLOAT_EQ(smc.read<float>("PDTR"), 24.5f);
    EXPECT_EQ(smc.read<std::uint32_t>("bfD0"), 100u);
    EXPECT_EQ(smc.read<std::uint8_t>("bfF0"), 0u);
    EXPECT_TRUE(smc.read<bool>("ACFP"));
    EXPECT_EQ(smc.readString("RPlt"), "j314");
    EXPECT_EQ(smc.getKeyInformation("CHTE"), (smckit::DataType{KeyCode("ui32"), 4}));
#if defined(__x86_64__)
    // An Intel Mac delivers the battery's voltage most significant byte first.
    EXPECT_EQ(smc.readData("B0AV"), (std::vector<std::uint8_t>{0x31, 0x38}));
    EXPECT_EQ(smc.read<BigEndian<std::int16_t>>("B0AC").value, 850);
#endif
}

TEST_F(SMCKitWithSimmac, EnumerationMatchesTheKeyTable)
{
    SimmacProcess simmac;
    SMCKit smc;
    const auto listed = simmac.simmacctl({"smc", "list"});
    ASSERT_EQ(listed.exitCode, 0);
    std::vector<std::string> codes;
    std::istringstream lines(listed.output);
    for (std::string line; std::getline(lines, line);) {
        codes.push_back(line.substr(0, 4));
    }

    EXPECT_EQ(smc.numKeys(), codes.size());
    const std::vector<std::uint32_t> keys = smc.allKeys();
    ASSERT_EQ(keys.size(), codes.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(KeyCode(keys[i]).toString(), codes[i]);
    }
}

TEST_F(SMCKitWithSimmac, WritesReachTheKeyTableAndReadBack)
{
    SimmacProcess simmac;
    SMCKit smc;
    smc.write<std::uint32_t>("bfD0", 80);
    smc.write<std::uint8_t>("CH0B", 0x02);
    smc.write<std::uint32_t>("CHTE", 1);
    EXPECT_EQ(readHex(simmac, "bfD0"), "50000000");
    EXPECT_EQ(readHex(simmac, "CH0B"), "02");
    EXPECT_EQ(smc.readData("CHTE"), (std::vector<std::uint8_t>{1, 0, 0, 0}));

    EXPECT_EQ(errorOf([&] { smc.write<std::uint8_t>("bfD0", 1); }), SMCError::dataTypeMismatch("bfD0"));
    EXPECT_EQ(readHex(simmac, "bfD0"), "50000000");
}

TEST_F(SMCKitWithSimmac, TheSimulatedFirmwareRefusesWhatTheHardwareWould)
{
    SimmacProcess simmac;
    SMCKit smc;
    // A read-only key.
    EXPECT_EQ(errorOf([&] { smc.write<std::uint16_t>("B0AV", 1); }), SMCError::unknown("B0AV", 0, 0x86));
    // A key set to refuse writes.
    ASSERT_EQ(simmac.simmacctl({"smc", "fault", "CH0I", "refuse"}).exitCode, 1);  // no CH0I on this model
    ASSERT_EQ(simmac.simmacctl({"smc", "fault", "CHIE", "refuse"}).exitCode, 0);
    EXPECT_EQ(errorOf([&] { smc.write<std::uint8_t>("CHIE", 0x08); }), SMCError::unknown("CHIE", 0, 0x86));
    EXPECT_EQ(readHex(simmac, "CHIE"), "00");
    // A key that ignores writes: the write succeeds, the value stays.
    ASSERT_EQ(simmac.simmacctl({"smc", "fault", "CHIE", "ignore-writes"}).exitCode, 0);
    smc.write<std::uint8_t>("CHIE", 0x08);
    EXPECT_EQ(smc.read<std::uint8_t>("CHIE"), 0x00);
    ASSERT_EQ(simmac.simmacctl({"smc", "fault", "CHIE", "none"}).exitCode, 0);
    smc.write<std::uint8_t>("CHIE", 0x08);
    EXPECT_EQ(smc.read<std::uint8_t>("CHIE"), 0x08);
}

TEST_F(SMCKitWithSimmac, DesktopHasNoBatteryOrControlKeys)
{
    SimmacProcess::Options options;
    options.model = "desktop";
    SimmacProcess simmac(options);
    SMCKit smc;
    for (const char* key : {"B0AV", "B0AC", "CH0B", "CHTE", "bfF0", "ACLC", "CHIE"}) {
        EXPECT_FALSE(smc.isKeyFound(KeyCode::fromStaticString(key))) << key;
    }
    EXPECT_EQ(errorOf([&] { smc.read<std::uint8_t>("CH0B"); }), SMCError::keyNotFound("CH0B"));
    EXPECT_GT(smc.read<float>("PDTR"), 0.0f);
}

TEST_F(SMCKitWithSimmac, AnUnprivilegedProcessReadsButCannotWrite)
{
    SimmacProcess simmac;
    const int result = runAsUnprivilegedUser([] {
        try {
            SMCKit smc;
            if (smc.read<std::uint8_t>("CH0B") != 0) {
                return 1;
            }
            try {
                smc.write<std::uint8_t>("CH0B", 0x02);
                return 2;
            } catch (const SMCError& error) {
                return error == SMCError::notPrivileged() ? 0 : 3;
            }
        } catch (const SMCError&) {
            return 4;
        }
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readHex(simmac, "CH0B"), "00");
}

TEST_F(SMCKitWithSimmac, ThePrivilegedUidMayWrite)
{
    SimmacProcess::Options options;
    options.privilegedUid = nobody;
    SimmacProcess simmac(options);
    const int result = runAsUnprivilegedUser([] {
        try {
            SMCKit().write<std::uint8_t>("CH0B", 0x02);
            return 0;
        } catch (const SMCError&) {
            return 1;
        }
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readHex(simmac, "CH0B"), "02");
}

TEST_F(SMCKitWithSimmac, TwoThreadsReadOneConnectionAtOnce)
{
    SimmacProcess simmac;
    const SMCKit smc;
    std::atomic<int> wrong = 0;
    const auto reader = [&](KeyCode key, float expected) {
        for (int i = 0; i < 2000; ++i) {
            if (smc.read<float>(key) != expected) {
                ++wrong;
            }
        }
    };
    std::thread first(reader, KeyCode("VD0R"), 20.0f);
    std::thread second(reader, KeyCode("PDTR"), 24.5f);
    first.join();
    second.join();
    EXPECT_EQ(wrong, 0);
}

TEST_F(SMCKitWithSimmac, NoSimmacFailsAtOnceAndTheSharedConnectionKeepsFailing)
{
    // The shared connection is opened once per process: look at it in a
    // freshly started process of its own.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("SIMMAC_ROOT", "/nonexistent/simmac-root", 1);
            const auto started = std::chrono::steady_clock::now();
            const SMCError expected = SMCError::connectionFailed(kIOReturnNotFound);
            bool held = errorOf([] { SMCKit smc; }) == expected &&
                        errorOf([] { SMCKit::shared().read<float>("PDTR"); }) == expected &&
                        std::chrono::steady_clock::now() - started < std::chrono::seconds(1);
            {
                // A simmac started later does not revive the shared connection.
                SimmacProcess simmac;
                held = held && errorOf([] { SMCKit::shared().read<float>("PDTR"); }) == expected;
            }
            std::exit(held ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(SMCKitWithSimmac, ACrashedSimmacGivesErrorsNotHangs)
{
    SimmacProcess simmac;
    SMCKit smc;
    EXPECT_FLOAT_EQ(smc.read<float>("VD0R"), 20.0f);
    ::kill(simmac.pid(), SIGKILL);
    simmac.stop();
    EXPECT_EQ(errorOf([&] { smc.read<float>("VD0R"); }), SMCError::unknown("VD0R", kIOReturnNotResponding, 0));
    EXPECT_EQ(errorOf([&] { smc.read<float>("PDTR"); }), SMCError::unknown("PDTR", kIOReturnNotResponding, 0));
}
