#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "FakeAppleSMC.h"
#include "SMCKit/KeyCode.h"
#include "smc/smc.h"

using smckit::KeyCode;

namespace {

constexpr io_connect_t connection = 9;

class SMCLayer : public ::testing::Test {
protected:
    void SetUp() override
    {
        SMCCleanupCache();
        fake().reset();
        fake().addKey(KeyCode("CH0B"), KeyCode("ui8 "), {0x00});
        fake().addKey(KeyCode("bfD0"), KeyCode("ui32"), {0x50, 0, 0, 0});
    }

    static FakeAppleSMC& fake() { return FakeAppleSMC::shared(); }

    static bool isZero(const std::uint8_t* bytes, std::size_t length)
    {
        return std::all_of(bytes, bytes + length, [](std::uint8_t b) { return b == 0; });
    }
};

}  // namespace

TEST_F(SMCLayer, FirstReadAsksForTheKeyInformationLaterReadsOnlyForTheValue)
{
    SMCKeyValue value;
    SMCResult_t result = SMCReadKey("bfD0", &value, connection);
    ASSERT_EQ(result.kIOReturn, kIOReturnSuccess);
    ASSERT_EQ(result.smcResult, 0);

    std::vector<SMCParamRecord> requests = fake().requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].command, kSMCCommandGetKeyInfo);
    EXPECT_EQ(requests[0].key, KeyCode("bfD0").value());
    EXPECT_EQ(requests[1].command, kSMCCommandReadKey);
    EXPECT_EQ(requests[1].info.dataSize, 4u);
    // Everything the record does not use goes out as zero bytes.
    SMCParamRecord expected;
    std::memset(&expected, 0, sizeof expected);
    expected.key = KeyCode("bfD0");
    expected.info.dataSize = 4;
    expected.command = kSMCCommandReadKey;
    EXPECT_EQ(std::memcmp(&requests[1], &expected, sizeof expected), 0);

    EXPECT_STREQ(value.key, "bfD0");
    EXPECT_STREQ(value.dataType, "ui32");
    EXPECT_EQ(value.dataSize, 4u);
    EXPECT_EQ(value.bytes[0], 0x50);

    ASSERT_EQ(SMCReadKey("bfD0", &value, connection).smcResult, 0);
    EXPECT_EQ(fake().requests().size(), 3u);
    EXPECT_EQ(fake().requestCount(kSMCCommandGetKeyInfo), 1u);
}

TEST_F(SMCLayer, MissingKeyIsAskedForEveryTimeAndNeverCached)
{
    SMCKeyValue value;
    SMCKeyInfo info;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const SMCResult_t read = SMCReadKey("XXXX", &value, connection);
        EXPECT_EQ(read.kIOReturn, kIOReturnSuccess);
        EXPECT_EQ(read.smcResult, kSMCResultKeyNotFound);
        EXPECT_STREQ(value.key, "XXXX");
        EXPECT_EQ(SMCGetKeyInfo(KeyCode("XXXX"), &info, connection).smcResult, kSMCResultKeyNotFound);
    }
    EXPECT_EQ(fake().requestCount(kSMCCommandGetKeyInfo), 6u);
    EXPECT_EQ(fake().requestCount(kSMCCommandReadKey), 0u);
}

TEST_F(SMCLayer, WriteOfAnotherSizeOrTypeIsRefusedWithoutAWriteRequest)
{
    struct Case {
        std::uint32_t dataSize;
        const char* dataType;
    };
    for (const Case c : {Case{4, "ui8 "}, Case{1, "si8 "}, Case{1, "flag"}}) {
        SMCKeyValue value{};
        std::memcpy(value.key, "CH0B", 5);
        value.dataSize = c.dataSize;
        std::memcpy(value.dataType, c.dataType, 5);
        value.bytes[0] = 0x02;
        const SMCResult_t result = SMCWriteKey(&value, connection);
        EXPECT_EQ(result.kIOReturn, kIOReturnBadArgument) << c.dataType;
        EXPECT_EQ(result.smcResult, kSMCResultDataTypeMismatch);
    }
    EXPECT_EQ(fake().requestCount(kSMCCommandWriteKey), 0u);
    EXPECT_EQ(fake().value(KeyCode("CH0B")), std::vector<std::uint8_t>{0x00});
}

TEST_F(SMCLayer, MatchingWriteSendsAll32BytesAndTheSize)
{
    SMCKeyValue value{};
    std::memcpy(value.key, "bfD0", 5);
    value.dataSize = 4;
    std::memcpy(value.dataType, "ui32", 5);
    value.bytes[0] = 0x4B;
    const SMCResult_t result = SMCWriteKey(&value, connection);
    EXPECT_EQ(result.kIOReturn, kIOReturnSuccess);
    EXPECT_EQ(result.smcResult, 0);
    const SMCParamRecord sent = fake().requests().back();
    EXPECT_EQ(sent.command, kSMCCommandWriteKey);
    EXPECT_EQ(sent.info.dataSize, 4u);
    EXPECT_EQ(fake().value(KeyCode("bfD0")), (std::vector<std::uint8_t>{0x4B, 0, 0, 0}));
}

TEST_F(SMCLayer, KeyCodesWithHighBytesPassThroughUnchanged)
{
    const std::uint32_t code = 0x80FF4142;
    fake().addKey(code, KeyCode("ui8 "), {0x07});
    const std::array<char, 5> chars = KeyCode(code).toCharArray();
    SMCKeyValue value;
    ASSERT_EQ(SMCReadKey(chars.data(), &value, connection).smcResult, 0);
    EXPECT_EQ(fake().requests().front().key, code);
    EXPECT_EQ(value.bytes[0], 0x07);
}

TEST_F(SMCLayer, CleanupForgetsTheCache)
{
    SMCKeyInfo info;
    ASSERT_EQ(SMCGetKeyInfo(KeyCode("CH0B"), &info, connection).smcResult, 0);
    ASSERT_EQ(SMCGetKeyInfo(KeyCode("CH0B"), &info, connection).smcResult, 0);
    EXPECT_EQ(fake().requestCount(kSMCCommandGetKeyInfo), 1u);
    SMCCleanupCache();
    ASSERT_EQ(SMCGetKeyInfo(KeyCode("CH0B"), &info, connection).smcResult, 0);
    EXPECT_EQ(fake().requestCount(kSMCCommandGetKeyInfo), 2u);
    EXPECT_EQ(info.dataSize, 1u);
    EXPECT_EQ(info.dataType, KeyCode("ui8 ").value());
    EXPECT_EQ(info.dataAttributes, 0xC0);
}

TEST_F(SMCLayer, KeyFromIndexWritesTheKeyOnlyOnSuccess)
{
    UInt32Char_t key = {'a', 'b', 'c', 'd', '\0'};
    ASSERT_EQ(SMCGetKeyFromIndex(1, key, connection).smcResult, 0);
    EXPECT_STREQ(key, "bfD0");
    const SMCParamRecord sent = fake().requests().back();
    EXPECT_EQ(sent.command, kSMCCommandGetKeyFromIndex);
    EXPECT_EQ(sent.index, 1u);

    std::memcpy(key, "abcd", 5);
    const SMCResult_t failed = SMCGetKeyFromIndex(5, key, connection);
    EXPECT_EQ(failed.smcResult, 0xB8);
    EXPECT_STREQ(key, "abcd");
}

TEST_F(SMCLayer, MissingArgumentsAreTheLayersOwnError)
{
    SMCKeyValue value;
    const SMCResult_t results[] = {
        SMCReadKey(nullptr, &value, connection),
        SMCReadKey("CH0B", nullptr, connection),
        SMCWriteKey(nullptr, connection),
        SMCGetKeyInfo(KeyCode("CH0B"), nullptr, connection),
        SMCGetKeyFromIndex(0, nullptr, connection),
    };
    for (const SMCResult_t& result : results) {
        EXPECT_EQ(result.kIOReturn, kIOReturnBadArgument);
        EXPECT_EQ(result.smcResult, kSMCResultLayerError);
    }
    EXPECT_TRUE(fake().requests().empty());
    EXPECT_EQ(SMCOpen(nullptr), kIOReturnBadArgument);
}

TEST_F(SMCLayer, OpenReportsAMissingServiceAndTheOpenResult)
{
    io_connect_t opened = 0;
    EXPECT_EQ(SMCOpen(&opened), kIOReturnSuccess);
    EXPECT_EQ(opened, 9u);
    fake().setOpenResult(kIOReturnNotPrivileged);
    EXPECT_EQ(SMCOpen(&opened), kIOReturnNotPrivileged);
    fake().setServiceAvailable(false);
    EXPECT_EQ(SMCOpen(&opened), kIOReturnNotFound);
}

TEST_F(SMCLayer, ConcurrentMissesOnOneKeyAllGetTheirInformation)
{
    std::vector<std::thread> threads;
    std::atomic<int> failures = 0;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                SMCKeyValue value;
                if (SMCReadKey("bfD0", &value, connection).smcResult != 0 || value.bytes[0] != 0x50) {
                    ++failures;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, 0);
    EXPECT_LE(fake().requestCount(kSMCCommandGetKeyInfo), 8u);
}
