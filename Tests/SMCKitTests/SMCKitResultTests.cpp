#include <gtest/gtest.h>

#include "FakeAppleSMC.h"
#include "SMCKit/SMCKit.h"

using smckit::KeyCode;
using smckit::SMCError;
using smckit::SMCKit;

namespace {

class SMCKitOverFake : public ::testing::Test {
protected:
    void SetUp() override
    {
        SMCCleanupCache();
        fake().reset();
        fake().addKey(KeyCode("#KEY"), KeyCode("ui32"), {0, 0, 0, 6});
        fake().addKey(KeyCode("bfD0"), KeyCode("ui32"), {0x50, 0, 0, 0});
        fake().addKey(KeyCode("CH0B"), KeyCode("ui8 "), {0x00});
        fake().addKey(KeyCode("B0AV"), KeyCode("ui16"), {0x31, 0x38});
        fake().addKey(KeyCode("RPlt"), KeyCode("ch8*"), {'A', 'B', 0, 'C'});
        fake().addKey(KeyCode("REV "), KeyCode("hex_"), {1, 2, 3, 4});
    }

    static FakeAppleSMC& fake() { return FakeAppleSMC::shared(); }

    template <typename F>
    static SMCError errorOf(F&& operation)
    {
        try {
            operation();
        } catch (const SMCError& error) {
            return error;
        }
        ADD_FAILURE() << "no SMCError";
        return SMCError::notPrivileged();
    }
};

}  // namespace

TEST_F(SMCKitOverFake, ResultCodesMapOntoErrorCases)
{
    struct Case {
        SMCResult_t answer;
        std::optional<SMCError> expected;
    };
    const Case cases[] = {
        {{kIOReturnSuccess, 0}, std::nullopt},
        {{kIOReturnSuccess, 132}, SMCError::keyNotFound("bfD0")},
        {{kIOReturnBadArgument, 140}, SMCError::dataTypeMismatch("bfD0")},
        {{kIOReturnNotPrivileged, 0}, SMCError::notPrivileged()},
        {{kIOReturnNotPrivileged, 7}, SMCError::notPrivileged()},
        {{kIOReturnSuccess, 0x86}, SMCError::unknown("bfD0", kIOReturnSuccess, 0x86)},
        {{kIOReturnBadArgument, 1}, SMCError::unknown("bfD0", kIOReturnBadArgument, 1)},
        {{kIOReturnBadArgument, 132}, SMCError::unknown("bfD0", kIOReturnBadArgument, 132)},
        {{kIOReturnNotResponding, 0}, SMCError::unknown("bfD0", kIOReturnNotResponding, 0)},
    };
    SMCKit smc;
    smc.getKeyInformation("bfD0");
    for (const Case& c : cases) {
        fake().setScript([&](const SMCParamRecord& input) -> std::optional<SMCResult_t> {
            // Success comes from the key table, with the key's bytes.
            return input.command == kSMCCommandReadKey && c.expected ? std::optional(c.answer) : std::nullopt;
        });
        if (c.expected) {
            EXPECT_EQ(errorOf([&] { smc.read<std::uint32_t>("bfD0"); }), *c.expected) << c.expected->what();
        } else {
            EXPECT_EQ(smc.read<std::uint32_t>("bfD0"), 0x50u);
        }
    }
}

TEST_F(SMCKitOverFake, MissingKeyIsNotFoundAndNotAnErrorForIsKeyFound)
{
    SMCKit smc;
    EXPECT_EQ(errorOf([&] { smc.read<std::uint8_t>("XXXX"); }), SMCError::keyNotFound("XXXX"));
    EXPECT_EQ(errorOf([&] { smc.getKeyInformation("XXXX"); }), SMCError::keyNotFound("XXXX"));
    EXPECT_FALSE(smc.isKeyFound("XXXX"));
    EXPECT_TRUE(smc.isKeyFound("CH0B"));
    fake().setScript([](const SMCParamRecord&) { return std::optional(SMCResult_t{kIOReturnNotPrivileged, 0}); });
    EXPECT_EQ(errorOf([&] { smc.isKeyFound("ZZZZ"); }), SMCError::notPrivileged());
}

TEST_F(SMCKitOverFake, KeyInformationIsTypeAndSize)
{
    SMCKit smc;
    EXPECT_EQ(smc.getKeyInformation("B0AV"), (smckit::DataType{KeyCode("ui16"), 2}));
}

TEST_F(SMCKitOverFake, WriteOfAnotherTypeSendsNothing)
{
    SMCKit smc;
    EXPECT_EQ(errorOf([&] { smc.write<std::uint8_t>("bfD0", 1); }), SMCError::dataTypeMismatch("bfD0"));
    EXPECT_EQ(errorOf([&] { smc.write<std::int32_t>("bfD0", 1); }), SMCError::dataTypeMismatch("bfD0"));
    EXPECT_EQ(fake().requestCount(kSMCCommandWriteKey), 0u);

    smc.write<std::uint32_t>("bfD0", 75);
    EXPECT_EQ(fake().value(KeyCode("bfD0")), (std::vector<std::uint8_t>{75, 0, 0, 0}));
}

TEST_F(SMCKitOverFake, RawAndTextReads)
{
    SMCKit smc;
    EXPECT_EQ(smc.readData("B0AV"), (std::vector<std::uint8_t>{0x31, 0x38}));
    EXPECT_EQ(smc.readString("RPlt"), "AB");

    fake().addKey(KeyCode("RBr "), KeyCode("ch8*"), {'j', 0xC3, 0xA9});
    EXPECT_EQ(errorOf([&] { smc.readString("RBr "); }), SMCError::invalidStringData("RBr "));
    fake().addKey(KeyCode("RBr2"), KeyCode("ch8*"), {'j', '3', '1', '4'});
    EXPECT_EQ(smc.readString("RBr2"), "j314");
}

TEST_F(SMCKitOverFake, RawWritesCheckTypeAndExactSize)
{
    SMCKit smc;
    const std::vector<std::uint8_t> three{9, 8, 7};
    EXPECT_EQ(errorOf([&] { smc.writeData("REV ", three); }), SMCError::invalidDataSize("REV ", 4, 3));
    EXPECT_EQ(errorOf([&] { smc.writeData("CH0B", std::vector<std::uint8_t>{1}); }),
              SMCError::dataTypeMismatch("CH0B"));
    EXPECT_EQ(fake().requestCount(kSMCCommandWriteKey), 0u);

    smc.writeData("REV ", std::vector<std::uint8_t>{9, 8, 7, 6});
    EXPECT_EQ(fake().value(KeyCode("REV ")), (std::vector<std::uint8_t>{9, 8, 7, 6}));
}

TEST_F(SMCKitOverFake, TextWritesArePaddedAndChecked)
{
    SMCKit smc;
    smc.writeString("RPlt", "ab");
    EXPECT_EQ(fake().value(KeyCode("RPlt")), (std::vector<std::uint8_t>{'a', 'b', 0, 0}));
    EXPECT_EQ(errorOf([&] { smc.writeString("RPlt", "abcde"); }), SMCError::invalidDataSize("RPlt", 4, 5));
    EXPECT_EQ(errorOf([&] { smc.writeString("RPlt", "\xC3\xA9"); }), SMCError::invalidStringData("RPlt"));
    EXPECT_EQ(errorOf([&] { smc.writeString("REV ", "ab"); }), SMCError::dataTypeMismatch("REV "));
}

TEST_F(SMCKitOverFake, EnumerationNamesAFailingIndexByItsNumber)
{
    SMCKit smc;
    EXPECT_EQ(smc.numKeys(), 6u);
    const std::vector<std::uint32_t> keys = smc.allKeys();
    ASSERT_EQ(keys.size(), 6u);
    EXPECT_EQ(keys.front(), KeyCode("#KEY").value());

    fake().setScript([](const SMCParamRecord& input) -> std::optional<SMCResult_t> {
        if (input.command == kSMCCommandGetKeyFromIndex && input.index == 5) {
            return SMCResult_t{kIOReturnSuccess, 0xB8};
        }
        return std::nullopt;
    });
    EXPECT_EQ(errorOf([&] { smc.allKeys(); }), SMCError::unknown("Index 5", kIOReturnSuccess, 0xB8));

    fake().addKey(KeyCode("#KEY"), KeyCode("ui32"), {0, 0, 0, 0});
    fake().setScript(nullptr);
    EXPECT_TRUE(smc.allKeys().empty());
}

TEST_F(SMCKitOverFake, FailedOpenIsConnectionFailedWithTheCode)
{
    fake().setOpenResult(kIOReturnNotPrivileged);
    EXPECT_EQ(errorOf([] { SMCKit smc; }), SMCError::connectionFailed(kIOReturnNotPrivileged));
    fake().setServiceAvailable(false);
    EXPECT_EQ(errorOf([] { SMCKit smc; }), SMCError::connectionFailed(kIOReturnNotFound));
}

TEST(SMCKitShared, OpeningFailureLeavesEveryOperationFailingWithConnectionFailed)
{
    // The shared connection is opened once per process: look at it in a
    // freshly started process of its own.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            FakeAppleSMC::shared().reset();
            FakeAppleSMC::shared().setServiceAvailable(false);
            SMCKit& smc = SMCKit::shared();
            const SMCError expected = SMCError::connectionFailed(kIOReturnNotFound);
            const auto fails = [&](auto&& operation) {
                try {
                    operation();
                } catch (const SMCError& error) {
                    return error == expected;
                }
                return false;
            };
            FakeAppleSMC::shared().setServiceAvailable(true);
            const bool held = &smc == &SMCKit::shared() && fails([&] { smc.read<float>("PDTR"); }) &&
                              fails([&] { smc.read<float>("PDTR"); }) && fails([&] { smc.allKeys(); }) &&
                              fails([&] { smc.writeData("REV ", std::vector<std::uint8_t>{1}); }) &&
                              FakeAppleSMC::shared().requests().empty();
            std::exit(held ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}
