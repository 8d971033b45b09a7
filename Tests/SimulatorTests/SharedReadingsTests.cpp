#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <csignal>
#include <cstring>
#include <thread>

#include "IOKit/IOKitLib.h"
#include "Simmac/SharedReadingsRegion.h"
#include "Simulator/Frame.h"
#include "Simulator/QueryMessage.h"
#include "Simulator/SMCParamRecord.h"
#include "Simulator/SharedReadingsLayout.h"
#include "Simulator/SharedReadingsView.h"
#include "Simulator/SimmacConnection.h"
#include "TestSupport/SimmacProcess.h"

using simulator::QueryCall;
using simulator::QueryOperation;
using simulator::SharedReadingsView;
using simulator::SimmacConnection;
using simulator::SimmacError;
using testsupport::SimmacProcess;
using Bytes = std::vector<std::uint8_t>;

namespace {

std::uint32_t codeOf(const std::string& text)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[3]));
}

std::array<std::uint8_t, 80> smcRecord(std::uint8_t command, std::uint32_t code, std::uint32_t dataSize)
{
    std::array<std::uint8_t, 80> bytes{};
    simulator::smc::storeField(bytes, simulator::smc::keyOffset, code);
    simulator::smc::storeField(bytes, simulator::smc::dataSizeOffset, dataSize);
    bytes[simulator::smc::commandOffset] = command;
    return bytes;
}

// A query asked over the socket itself, frame by frame, as simmac answers it
// without the shared readings.
std::pair<simulator::QueryOutcome, Bytes> queryOverTheSocket(const std::filesystem::path& socketPath,
                                                             const QueryCall& call)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, socketPath.c_str());
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    Bytes frame;
    simulator::encodeQueryCall(call, frame);
    EXPECT_EQ(::send(fd, frame.data(), frame.size(), MSG_NOSIGNAL), static_cast<ssize_t>(frame.size()));
    std::uint8_t header[simulator::frameHeaderSize];
    EXPECT_EQ(::recv(fd, header, sizeof header, MSG_WAITALL), static_cast<ssize_t>(sizeof header));
    Bytes payload(simulator::decodeFrameHeader(header).value().payloadLength);
    EXPECT_EQ(::recv(fd, payload.data(), payload.size(), MSG_WAITALL), static_cast<ssize_t>(payload.size()));
    ::close(fd);
    const simulator::QueryReply reply = simulator::decodeQueryReply(payload).value();
    return {reply.outcome, Bytes(reply.body.begin(), reply.body.end())};
}

std::pair<simulator::QueryOutcome, Bytes> queryFromTheReadings(SimmacConnection& connection, const QueryCall& call)
{
    try {
        Bytes value;
        connection.query(call, [&](std::span<const std::uint8_t> body) { value.assign(body.begin(), body.end()); });
        return {simulator::QueryOutcome::value, value};
    } catch (const SimmacError& error) {
        const std::string_view text = error.what();
        return {simulator::QueryOutcome::error, Bytes(text.begin(), text.end())};
    }
}

std::int64_t currentCapacity()
{
    const io_service_t battery = IOServiceGetMatchingService(kIOMainPortDefault, IOServiceMatching("AppleSmartBattery"));
    CFTypeRef properties;
    const bool read = IORegistryEntryCreateCFProperties(battery, &properties, kCFAllocatorDefault, 0) == kIOReturnSuccess;
    IOObjectRelease(battery);
    const CFTypeRef level = read ? properties->member("CurrentCapacity") : nullptr;
    return level && level->get<std::int64_t>() ? *level->get<std::int64_t>() : -1;
}

}  // namespace

// A client reads from memory what it used to ask over the socket; nothing it
// reads may differ from simmac's own answer there.
TEST(SharedReadings, EveryKeyAndEveryQueryReadsAsOnTheSocket)
{
    for (const char* model : {"firmware-limit-laptop", "desktop"}) {
        SCOPED_TRACE(model);
        SimmacProcess simmac(SimmacProcess::withModel(model));
        SimmacConnection shared(simmac.socketPath());
        shared.openUserClient("AppleSMC", 0);
        // Opened with the bare request, this connection asks simmac for every
        // call.
        SimmacConnection asking(simmac.socketPath());
        asking.request("iokit.open", {{"class", "AppleSMC"}, {"type", 0}});

        const nlohmann::ordered_json keys = simmac.request("smc.list");
        ASSERT_GT(keys.size(), 5u);
        std::vector<std::uint32_t> codes = {codeOf("XXXX")};
        for (const auto& key : keys) {
            codes.push_back(codeOf(key["key"].get<std::string>()));
        }
        for (const std::uint32_t code : codes) {
            for (const auto& [command, size] : {std::pair{simulator::smc::commandKeyInfo, 0u},
                                                 std::pair{simulator::smc::commandReadKey, 1u},
                                                 std::pair{simulator::smc::commandReadKey, 2u},
                                                 std::pair{simulator::smc::commandReadKey, 4u}}) {
                const auto input = smcRecord(command, code, size);
                std::array<std::uint8_t, 80> fromMemory{};
                std::array<std::uint8_t, 80> fromSimmac{};
                fromMemory.fill(0xEE);
                const auto a = shared.callStructMethod(2, input, fromMemory);
                const auto b = asking.callStructMethod(2, input, fromSimmac);
                EXPECT_EQ(a.status, b.status);
                EXPECT_EQ(a.outputLength, b.outputLength);
                EXPECT_EQ(fromMemory, fromSimmac) << "key " << std::hex << code << " command " << int(command);
            }
        }

        for (const QueryCall& call : {QueryCall{QueryOperation::registryProperties, "AppleSmartBattery", {}},
                                      QueryCall{QueryOperation::registryProperties, "IOAudioDevice", {}},
                                      QueryCall{QueryOperation::powerSources, {}, {}}}) {
            SCOPED_TRACE(std::string(call.className));
            EXPECT_EQ(queryFromTheReadings(shared, call), queryOverTheSocket(simmac.socketPath(), call));
        }
    }
}

TEST(SharedReadings, WhatARequestChangedIsReadBeforeItsAnswerComes)
{
    SimmacProcess::Options options;
    options.speed = 0;
    SimmacProcess simmac(options);
    for (const int level : {42, 57, 13}) {
        simmac.request("battery.level", {{"percent", level}});
        EXPECT_EQ(currentCapacity(), level);
    }

    SimmacConnection connection(simmac.socketPath());
    connection.openUserClient("AppleSMC", 0);
    simmac.request("smc.write", {{"key", "bfD0"}, {"value", "37000000"}});
    std::array<std::uint8_t, 80> output{};
    connection.callStructMethod(2, smcRecord(simulator::smc::commandReadKey, codeOf("bfD0"), 4), output);
    EXPECT_EQ(output[simulator::smc::bytesOffset], 0x37);
}

TEST(SharedReadings, ASimmacThatStopsOrGoesAwayFailsTheReadsAsOnTheSocket)
{
    SimmacProcess simmac;
    SimmacConnection connection(simmac.socketPath());
    connection.openUserClient("AppleSMC", 0);
    const auto input = smcRecord(simulator::smc::commandReadKey, codeOf("bfD0"), 4);
    std::array<std::uint8_t, 80> output{};
    connection.callStructMethod(2, input, output, std::chrono::milliseconds(1000));

    ASSERT_EQ(::kill(simmac.pid(), SIGSTOP), 0);
    struct Resume {
        pid_t pid;
        ~Resume() { ::kill(pid, SIGCONT); }
    } resume{simmac.pid()};
    // Past the call's time-out, a heartbeat simmac could not renew is no
    // answer.
    std::this_thread::sleep_for(std::chrono::milliseconds(1300));
    try {
        connection.callStructMethod(2, input, output, std::chrono::milliseconds(1000));
        ADD_FAILURE() << "a stopped simmac answered";
    } catch (const simulator::SimmacUnreachable& error) {
        EXPECT_STREQ(error.what(), "simmac did not answer in time");
    }
    EXPECT_TRUE(connection.isBroken());
    ASSERT_EQ(::kill(simmac.pid(), SIGCONT), 0);

    SimmacConnection again(simmac.socketPath());
    again.openUserClient("AppleSMC", 0);
    EXPECT_EQ(again.callStructMethod(2, input, output).status, 0);
    simmac.stop();
    try {
        again.callStructMethod(2, input, output);
        ADD_FAILURE() << "a simmac that is gone answered";
    } catch (const simulator::SimmacUnreachable& error) {
        EXPECT_STREQ(error.what(), "simmac closed the connection");
    }
}

// simmac rewrites while clients read; a copy is all of one version or none.
TEST(SharedReadings, ACopyIsNeverTornByARewrite)
{
    std::string failure;
    const std::unique_ptr<simmac::SharedReadingsRegion> region = simmac::SharedReadingsRegion::create(failure);
    ASSERT_TRUE(region) << failure;
    const std::unique_ptr<SharedReadingsView> view = SharedReadingsView::map(::dup(region->readOnlyDescriptor()));
    ASSERT_TRUE(view);

    std::atomic<bool> reading = true;
    std::thread writer([&] {
        simulator::SharedReadingsContent content;
        for (std::uint8_t version = 0; reading; ++version) {
            content.clear();
            // The record's length changes too, so a torn copy shows in its
            // size as well as its bytes.
            content.addQueryAnswer(QueryOperation::powerSources, {}, simulator::QueryOutcome::value,
                                   Bytes(4000 + version % 7, version));
            region->publish(content);
        }
    });
    int consistent = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (consistent < 5000 && std::chrono::steady_clock::now() < until) {
        simulator::QueryOutcome outcome{};
        Bytes body;
        if (!view->copyQueryAnswer(QueryOperation::powerSources, {}, outcome, body)) {
            continue;
        }
        ++consistent;
        ASSERT_EQ(body.size(), 4000u + body.front() % 7);
        ASSERT_EQ(std::count(body.begin(), body.end(), body.front()), static_cast<std::ptrdiff_t>(body.size()));
    }
    reading = false;
    writer.join();
    EXPECT_EQ(consistent, 5000);
}

TEST(SharedReadings, ClientsCanOnlyReadAndTrustNothingTheyMap)
{
    std::string failure;
    const std::unique_ptr<simmac::SharedReadingsRegion> region = simmac::SharedReadingsRegion::create(failure);
    ASSERT_TRUE(region) << failure;
    const int descriptor = region->readOnlyDescriptor();
    // Not through the descriptor, nor opened again through /proc.
    const int reopened = ::open(("/proc/self/fd/" + std::to_string(descriptor)).c_str(), O_RDWR | O_CLOEXEC);
    for (const int fd : {descriptor, reopened}) {
        EXPECT_EQ(::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0), MAP_FAILED);
        EXPECT_LT(::pwrite(fd, "x", 1, 0), 0);
        EXPECT_LT(::ftruncate(fd, 0), 0);
    }
    void* mapped = ::mmap(nullptr, 4096, PROT_READ, MAP_SHARED, descriptor, 0);
    ASSERT_NE(mapped, MAP_FAILED);
    EXPECT_NE(::mprotect(mapped, 4096, PROT_READ | PROT_WRITE), 0);
    ::munmap(mapped, 4096);
    ::close(reopened);

    // Memory that is not simmac's readings is not used.
    const int other = ::memfd_create("not-readings", MFD_CLOEXEC);
    ASSERT_EQ(::ftruncate(other, 1 << 16), 0);
    EXPECT_FALSE(SharedReadingsView::map(other));

    // Records whose lengths point past the content are no answer.
    simulator::SharedReadingsContent content;
    content.addQueryAnswer(QueryOperation::powerSources, {}, simulator::QueryOutcome::value, Bytes(64, 1));
    content.addUserClientKeys("AppleSMC", {});
    Bytes bytes(content.bytes().begin(), content.bytes().end());
    EXPECT_TRUE(simulator::findSharedRecord(bytes, simulator::SharedRecordKind::userClientKeys, {}, "AppleSMC"));
    bytes[4] = 0xFF;
    bytes[7] = 0x7F;
    EXPECT_FALSE(simulator::findSharedRecord(bytes, simulator::SharedRecordKind::queryAnswer,
                                             QueryOperation::powerSources, {}));
    EXPECT_FALSE(simulator::findSharedRecord(bytes, simulator::SharedRecordKind::userClientKeys, {}, "AppleSMC"));
    bytes.resize(5);
    EXPECT_FALSE(simulator::findSharedRecord(bytes, simulator::SharedRecordKind::queryAnswer,
                                             QueryOperation::powerSources, {}));
}
