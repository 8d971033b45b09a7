#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstring>
#include <thread>

#include "IOKit/IOKitLib.h"
#include "TestSupport/SimmacProcess.h"

using testsupport::SimmacProcess;

namespace {

// The 80-byte AppleSMC record, filled by offset as a client would.
std::array<std::uint8_t, 80> record(std::uint8_t command, const char* key = nullptr, std::uint32_t dataSize = 0)
{
    std::array<std::uint8_t, 80> bytes{};
    if (key != nullptr) {
        const std::uint32_t code = static_cast<std::uint32_t>(key[0]) << 24 | static_cast<std::uint32_t>(key[1]) << 16 |
                                   static_cast<std::uint32_t>(key[2]) << 8 | static_cast<std::uint32_t>(key[3]);
        std::memcpy(bytes.data(), &code, 4);
    }
    std::memcpy(bytes.data() + 28, &dataSize, 4);
    bytes[42] = command;
    return bytes;
}

io_connect_t openSMC()
{
    const io_service_t service = IOServiceGetMatchingService(kIOMainPortDefault, IOServiceMatching("AppleSMC"));
    EXPECT_NE(service, IO_OBJECT_NULL);
    io_connect_t connection = IO_OBJECT_NULL;
    EXPECT_EQ(IOServiceOpen(service, mach_task_self(), 0, &connection), kIOReturnSuccess);
    EXPECT_EQ(IOObjectRelease(service), kIOReturnSuccess);
    return connection;
}

}  // namespace

TEST(IOKitStandIn, ReturnCodesHaveTheirPlatformValues)
{
    EXPECT_EQ(static_cast<std::uint32_t>(kIOReturnError), 0xe00002bcu);
    EXPECT_EQ(static_cast<std::uint32_t>(kIOReturnNoMemory), 0xe00002bdu);
    EXPECT_EQ(static_cast<std::uint32_t>(kIOReturnNotPrivileged), 0xe00002c1u);
    EXPECT_EQ(static_cast<std::uint32_t>(kIOReturnBadArgument), 0xe00002c2u);
    EXPECT_EQ(static_cast<std::uint32_t>(kIOReturnUnsupported), 0xe00002c7u);
    EXPECT_EQ(static_cast<std::uint32_t>(kIOReturnNotOpen), 0xe00002cdu);
    EXPECT_EQ(static_cast<std::uint32_t>(kIOReturnNotResponding), 0xe00002edu);
    EXPECT_EQ(static_cast<std::uint32_t>(kIOReturnNotFound), 0xe00002f0u);
    EXPECT_EQ(kIOReturnNotPrivileged, -536870207);
}

TEST(IOKitStandIn, WithoutSimmacNothingMatchesAndNothingHangs)
{
    char pattern[] = "/tmp/no-simmac.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    setenv("SIMMAC_ROOT", pattern, 1);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(IOServiceGetMatchingService(kIOMainPortDefault, IOServiceMatching("AppleSMC")), IO_OBJECT_NULL);
    io_connect_t connection = IO_OBJECT_NULL;
    EXPECT_EQ(IOServiceOpen(IO_OBJECT_NULL, mach_task_self(), 0, &connection), kIOReturnBadArgument);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
    std::filesystem::remove_all(pattern);
}

TEST(IOKitStandIn, BadHandlesAndArgumentsAreRefused)
{
    SimmacProcess simmac;
    auto input = record(9, "CH0B");
    std::array<std::uint8_t, 80> output{};
    std::size_t outputSize = output.size();

    EXPECT_EQ(IOServiceGetMatchingService(kIOMainPortDefault, IOServiceMatching("AppleSmartWidget")), IO_OBJECT_NULL);
    EXPECT_EQ(IOServiceGetMatchingService(kIOMainPortDefault, IOServiceMatching(nullptr)), IO_OBJECT_NULL);
    EXPECT_EQ(IOConnectCallStructMethod(12345, 2, input.data(), input.size(), output.data(), &outputSize),
              kIOReturnNotOpen);
    EXPECT_EQ(IOObjectRelease(12345), kIOReturnBadArgument);

    const io_service_t service = IOServiceGetMatchingService(kIOMainPortDefault, IOServiceMatching("AppleSMC"));
    EXPECT_EQ(IOServiceOpen(service, mach_task_self(), 0, nullptr), kIOReturnBadArgument);
    EXPECT_EQ(IOServiceClose(service), kIOReturnBadArgument);  // a service is not a connection
    IOObjectRelease(service);

    const io_connect_t connection = openSMC();
    EXPECT_EQ(IOConnectCallStructMethod(connection, 3, input.data(), input.size(), output.data(), &outputSize),
              kIOReturnUnsupported);
    EXPECT_EQ(IOConnectCallStructMethod(connection, 2, input.data(), 79, output.data(), &outputSize),
              kIOReturnBadArgument);
    outputSize = 40;
    EXPECT_EQ(IOConnectCallStructMethod(connection, 2, input.data(), input.size(), output.data(), &outputSize),
              kIOReturnBadArgument);

    EXPECT_EQ(IOServiceClose(connection), kIOReturnSuccess);
    outputSize = output.size();
    EXPECT_EQ(IOConnectCallStructMethod(connection, 2, input.data(), input.size(), output.data(), &outputSize),
              kIOReturnNotOpen);
    EXPECT_EQ(IOServiceClose(connection), kIOReturnBadArgument);
}

TEST(IOKitStandIn, TheAppleSMCUserClientAnswersTheFourCommands)
{
    SimmacProcess simmac;
    const io_connect_t connection = openSMC();
    std::array<std::uint8_t, 80> output{};
    const auto call = [&](std::array<std::uint8_t, 80> input) {
        output.fill(0xEE);
        std::size_t outputSize = output.size();
        EXPECT_EQ(IOConnectCallStructMethod(connection, 2, input.data(), input.size(), output.data(), &outputSize),
                  kIOReturnSuccess);
        EXPECT_EQ(outputSize, 80u);
    };
    const auto u32 = [&](std::size_t offset) {
        std::uint32_t value;
        std::memcpy(&value, output.data() + offset, 4);
        return value;
    };

    call(record(9, "bfD0"));
    EXPECT_EQ(output[40], 0);
    EXPECT_EQ(u32(28), 4u);
    EXPECT_EQ(u32(32), 0x75693332u);  // "ui32"
    EXPECT_EQ(output[36], 0xC0);

    call(record(5, "bfD0", 4));
    EXPECT_EQ(output[40], 0);
    EXPECT_EQ(output[48], 100);
    EXPECT_EQ(output[52], 0);  // beyond the key's size

    auto write = record(6, "bfD0", 4);
    write[48] = 80;
    call(write);
    EXPECT_EQ(output[40], 0);
    call(record(5, "bfD0", 4));
    EXPECT_EQ(output[48], 80);

    call(record(6, "bfD0", 1));
    EXPECT_EQ(output[40], 0x87);  // size mismatch

    call(record(5, "XXXX", 1));
    EXPECT_EQ(output[40], 132);

    auto index = record(8);
    call(index);
    EXPECT_EQ(u32(0), 0x234B4559u);  // "#KEY" comes first
    const std::uint32_t past = 59;
    std::memcpy(index.data() + 44, &past, 4);
    call(index);
    EXPECT_EQ(output[40], 0xB8);

    call(record(7, "bfD0"));
    EXPECT_EQ(output[40], 0x82);  // no such command

    IOServiceClose(connection);
}

TEST(IOKitStandIn, OneConnectionServesSeveralThreads)
{
    SimmacProcess simmac;
    const io_connect_t connection = openSMC();
    std::atomic<int> wrong = 0;
    std::vector<std::thread> threads;
    const std::pair<const char*, std::uint8_t> keys[] = {{"bfD0", 100}, {"bfE0", 95}, {"AC-W", 70}, {"FNum", 1}};
    for (const auto& [key, expected] : keys) {
        threads.emplace_back([&, key = key, expected = expected] {
            for (int i = 0; i < 500; ++i) {
                auto input = record(5, key, key[0] == 'b' ? 4 : 1);
                std::array<std::uint8_t, 80> output{};
                std::size_t outputSize = output.size();
                const kern_return_t result =
                    IOConnectCallStructMethod(connection, 2, input.data(), input.size(), output.data(), &outputSize);
                if (result != kIOReturnSuccess || output[48] != expected || std::memcmp(output.data(), input.data(), 4)) {
                    ++wrong;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(wrong, 0);
    IOServiceClose(connection);
}
