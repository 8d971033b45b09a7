#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <future>
#include <map>
#include <thread>

#include "IOKit/IOKitLib.h"
#include "IOKit/ps/IOPowerSources.h"
#include "ProcessInfo/ProcessInfo.h"
#include "Simmac/Dispatcher.h"
#include "Simmac/RegistryValue.h"
#include "Simmac/SimmacServer.h"
#include "Simmac/SimulatorError.h"
#include "Simulator/QueryMessage.h"
#include "Simulator/RegistryValueReader.h"
#include "Simulator/RegistryValueWriter.h"
#include "Simulator/SimmacConnection.h"

using simulator::QueryCall;
using simulator::QueryOperation;
using simulator::RegistryValueReader;
using simulator::RegistryValueTag;
using simulator::RegistryValueWriter;
using Bytes = std::vector<std::uint8_t>;
using Json = nlohmann::ordered_json;

namespace {

std::span<const std::uint8_t> payloadOf(const Bytes& frame)
{
    return std::span<const std::uint8_t>(frame).subspan(simulator::frameHeaderSize);
}

// What a registry value becomes on the wire, read back as text for comparing.
std::string describe(RegistryValueReader& reader)
{
    const std::optional<RegistryValueTag> tag = reader.tag();
    if (!tag) {
        return "?";
    }
    switch (*tag) {
    case RegistryValueTag::none:
        return "none";
    case RegistryValueTag::falseValue:
        return "false";
    case RegistryValueTag::trueValue:
        return "true";
    case RegistryValueTag::integer:
        return std::to_string(reader.integer().value_or(0));
    case RegistryValueTag::text:
        return "'" + std::string(reader.text().value_or("?")) + "'";
    case RegistryValueTag::data: {
        std::string hex = "<";
        for (const std::uint8_t byte : reader.bytes().value_or(std::span<const std::uint8_t>())) {
            hex += std::to_string(byte) + ".";
        }
        return hex + ">";
    }
    case RegistryValueTag::array: {
        std::string text = "[";
        for (std::uint32_t i = 0, count = reader.count().value_or(0); i < count; ++i) {
            text += describe(reader) + ",";
        }
        return text + "]";
    }
    case RegistryValueTag::dictionary: {
        std::string text = "{";
        for (std::uint32_t i = 0, count = reader.count().value_or(0); i < count; ++i) {
            text += std::string(reader.text().value_or("?")) + ":";
            text += describe(reader) + ",";
        }
        return text + "}";
    }
    }
    return "?";
}

std::string wireForm(const simmac::registry::Value* value)
{
    Bytes bytes;
    simmac::registry::appendBinary(value, bytes);
    RegistryValueReader reader(bytes);
    std::string text = describe(reader);
    return reader.atEnd() ? text : text + " and trailing bytes";
}

// A simmac in this process whose registry answers are made up by the test,
// with SIMMAC_ROOT pointing at it so that the IOKit stand-in and ProcessInfo
// ask it.
class MadeUpAnswers : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/simmac-query-test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        setenv("SIMMAC_ROOT", root_.c_str(), 1);
        dispatcher_.publishRegistryEntry("MadeUpEntry", [this] { return &entry_; });
        dispatcher_.addQuery(QueryOperation::registryProperty, [this](const QueryCall& call, Bytes& value) {
            const auto answer = answers_.find(std::string(call.key));
            if (answer == answers_.end()) {
                throw simmac::SimulatorError("no made-up answer for " + std::string(call.key));
            }
            value.insert(value.end(), answer->second.begin(), answer->second.end());
        });
        server_ = std::make_unique<simmac::SimmacServer>(context_, dispatcher_, root_ / "var/run/simmac.sock", 0);
        server_->start();
        loop_ = std::thread([this] { context_.run(); });
    }

    void TearDown() override
    {
        asio::post(context_, [this] {
            server_->stop();
            context_.stop();
        });
        loop_.join();
        std::filesystem::remove_all(root_);
    }

    // Runs `change` on simmac's loop, which reads what the test made up.
    void onLoop(const std::function<void()>& change)
    {
        std::promise<void> done;
        asio::post(context_, [&] {
            change();
            done.set_value();
        });
        done.get_future().wait();
    }

    void answer(const std::string& key, Bytes bytes)
    {
        onLoop([&] { answers_[key] = std::move(bytes); });
    }

    asio::io_context context_;
    simmac::Dispatcher dispatcher_;
    simmac::registry::Value entry_ = simmac::registry::dictionary();
    std::map<std::string, Bytes> answers_;
    std::filesystem::path root_;
    std::unique_ptr<simmac::SimmacServer> server_;
    std::thread loop_;
};

Bytes written(const std::function<void(RegistryValueWriter&)>& write)
{
    Bytes bytes;
    RegistryValueWriter writer(bytes);
    write(writer);
    return bytes;
}

Bytes concatenated(Bytes first, const Bytes& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

}  // namespace

TEST(QueryMessage, CallsSurviveTheWireAndMalformedOnesAreRefused)
{
    for (const QueryCall& call : {QueryCall{QueryOperation::registryProperty, "AppleSmartBattery", "CycleCount"},
                                  QueryCall{QueryOperation::registryProperty, "", ""},
                                  QueryCall{QueryOperation::registryProperties, "AppleSmartBattery", {}},
                                  QueryCall{QueryOperation::powerSources, {}, {}},
                                  QueryCall{QueryOperation::operatingSystemVersion, {}, {}}}) {
        Bytes frame;
        simulator::encodeQueryCall(call, frame);
        const std::optional<simulator::FrameHeader> header = simulator::decodeFrameHeader(frame.data());
        ASSERT_TRUE(header);
        EXPECT_EQ(header->kind, simulator::FrameKind::queryCall);
        EXPECT_EQ(header->payloadLength, frame.size() - simulator::frameHeaderSize);
        const std::optional<QueryCall> decoded = simulator::decodeQueryCall(payloadOf(frame));
        ASSERT_TRUE(decoded) << call.key;
        EXPECT_EQ(decoded->operation, call.operation);
        EXPECT_EQ(decoded->className, call.className);
        EXPECT_EQ(decoded->key, call.key);
    }

    const Bytes malformed[] = {
        {},                    // no operation
        {9},                   // unknown operation
        {1},                   // a property without the class name's length
        {1, 5, 'A', 'B'},      // a class name longer than what follows
        {4, 1, 'A', 'B'},      // all properties with something after the class name
        {2, 0},                // power sources with something after them
        {3, 'x'},              // the version likewise
    };
    for (const Bytes& payload : malformed) {
        EXPECT_FALSE(simulator::decodeQueryCall(payload)) << payload.size() << " bytes";
    }
    EXPECT_FALSE(simulator::decodeQueryReply(Bytes{}));
    EXPECT_FALSE(simulator::decodeQueryReply(Bytes{2, 'x'}));
}

TEST(QueryMessage, RegistryValuesKeepTheirTypesAndMalformedOnesBecomeNone)
{
    namespace registry = simmac::registry;
    const registry::Value adapter = registry::fromJSON(Json{{"Watts", 96}, {"Name", "USB-C"}});
    const registry::Value readings = registry::array(Json::array({registry::integer(-1532), registry::boolean(false)}));
    const std::uint8_t bytes[] = {0x0A, 0xFF};
    const registry::Value blob = registry::data(bytes);
    struct Case {
        const char* what;
        registry::Value value;
        const char* wire;
    };
    const Case cases[] = {
        {"true", registry::boolean(true), "true"},
        {"negative integer", registry::integer(-9000000000), "-9000000000"},
        {"text", registry::text("Normal"), "'Normal'"},
        {"data", blob, "<10.255.>"},
        {"array", readings, "[-1532,false,]"},
        {"dictionary", adapter, "{Watts:96,Name:'USB-C',}"},
        {"untagged", Json(5), "none"},
        {"two tags", Json{{"int", 1}, {"bool", true}}, "none"},
        {"odd hex", Json{{"data", "ABC"}}, "none"},
        {"not hex", Json{{"data", "ZZ"}}, "none"},
        {"integer as text", Json{{"int", "5"}}, "none"},
        {"empty dictionary inside", registry::fromJSON(Json{{"ok", 1}, {"inner", Json::object()}}), "{ok:1,inner:{},}"},
        {"malformed member", Json{{"dict", {{"ok", registry::integer(1)}, {"bad", Json{{"int", 1.5}}}}}}, "none"},
        {"malformed element", Json{{"array", Json::array({registry::integer(1), Json(nullptr)})}}, "none"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(wireForm(&c.value), c.wire) << c.what;
    }
    EXPECT_EQ(wireForm(nullptr), "none");
}

TEST_F(MadeUpAnswers, TheStandInRefusesEveryMalformedValueWhole)
{
    const Bytes integer = written([](RegistryValueWriter& w) { w.integer(42); });
    Bytes deep;
    for (int level = 0; level < 40; ++level) {
        RegistryValueWriter(deep).array(1);
    }
    deep = concatenated(deep, integer);
    struct Case {
        const char* key;
        Bytes answer;
    };
    const Case refused[] = {
        {"Empty", {}},
        {"UnknownTag", {9}},
        {"ShortInteger", Bytes(integer.begin(), integer.end() - 1)},
        {"TrailingBytes", concatenated(integer, {0})},
        {"TextPastTheEnd", {static_cast<std::uint8_t>(RegistryValueTag::text), 9, 0, 0, 0, 'a'}},
        {"CountPastTheEnd", {static_cast<std::uint8_t>(RegistryValueTag::array), 0xFF, 0xFF, 0xFF, 0x7F, 1}},
        {"NoneInsideAnArray", written([](RegistryValueWriter& w) {
             w.array(2);
             w.integer(1);
             w.none();
         })},
        {"MemberWithoutValue", written([](RegistryValueWriter& w) {
             w.dictionary(1);
             w.key("Watts");
         })},
        {"TooDeep", deep},
    };
    for (const Case& c : refused) {
        answer(c.key, c.answer);
    }
    answer("Data", written([](RegistryValueWriter& w) { w.data(std::vector<std::uint8_t>{1, 2, 3}); }));
    answer("Nested", written([](RegistryValueWriter& w) {
        w.dictionary(2);
        w.key("List");
        w.array(2);
        w.text("a");
        w.boolean(true);
        w.key("Empty");
        w.dictionary(0);
    }));

    const io_service_t entry = IOServiceGetMatchingService(kIOMainPortDefault, IOServiceMatching("MadeUpEntry"));
    ASSERT_NE(entry, IO_OBJECT_NULL);
    const auto property = [&](const char* key) {
        return IORegistryEntryCreateCFProperty(entry, key, kCFAllocatorDefault, 0);
    };
    for (const Case& c : refused) {
        EXPECT_FALSE(property(c.key)) << c.key;
    }
    EXPECT_FALSE(property("NoAnswer"));  // simmac's error

    const CFTypeRef data = property("Data");
    ASSERT_TRUE(data);
    ASSERT_TRUE(data->get<CFPropertyValue::Data>());
    EXPECT_EQ(*data->get<CFPropertyValue::Data>(), (CFPropertyValue::Data{1, 2, 3}));
    const CFTypeRef nested = property("Nested");
    ASSERT_TRUE(nested);
    const CFTypeRef list = nested->member("List");
    ASSERT_TRUE(list && list->get<CFPropertyValue::Array>());
    ASSERT_EQ(list->get<CFPropertyValue::Array>()->size(), 2u);
    EXPECT_EQ(*list->get<CFPropertyValue::Array>()->at(0)->get<std::string>(), "a");
    EXPECT_EQ(*list->get<CFPropertyValue::Array>()->at(1)->get<bool>(), true);
    EXPECT_TRUE(nested->member("Empty")->get<CFPropertyValue::Dictionary>()->empty());

    // Still one healthy connection after all the refusals.
    EXPECT_TRUE(property("Data"));
    IOObjectRelease(entry);
}

TEST_F(MadeUpAnswers, PowerSourcesAndTheVersionNeedTheirShapes)
{
    // Nothing answers them yet: no information, no version.
    EXPECT_FALSE(IOPSCopyPowerSourcesInfo());
    EXPECT_EQ(platform::ProcessInfo::operatingSystemVersion().majorVersion, 0);
    simulator::SimmacConnection connection(root_ / "var/run/simmac.sock");
    try {
        connection.query({QueryOperation::powerSources, {}, {}}, [](std::span<const std::uint8_t>) {});
        ADD_FAILURE() << "an unanswered query succeeded";
    } catch (const simulator::SimmacError& error) {
        EXPECT_STREQ(error.what(), "this simulated Mac does not answer query 2");
    }

    struct Case {
        const char* what;
        Bytes sources;
        bool usable;
        Bytes version;
        int major;
    };
    const Case cases[] = {
        {"well formed",
         written([](RegistryValueWriter& w) {
             w.array(1);
             w.dictionary(1);
             w.key("Current Capacity");
             w.integer(83);
         }),
         true, written([](RegistryValueWriter& w) {
             w.array(3);
             w.integer(26);
             w.integer(1);
             w.integer(0);
         }),
         26},
        {"not lists",
         written([](RegistryValueWriter& w) {
             w.dictionary(0);
         }),
         false, written([](RegistryValueWriter& w) { w.integer(26); }), 0},
        {"wrong elements",
         written([](RegistryValueWriter& w) {
             w.array(1);
             w.integer(83);
         }),
         false, written([](RegistryValueWriter& w) {
             w.array(3);
             w.integer(26);
             w.text("1");
             w.integer(0);
         }),
         0},
        {"wrong length", written([](RegistryValueWriter& w) { w.array(0); }), true,
         written([](RegistryValueWriter& w) {
             w.array(2);
             w.integer(26);
             w.integer(1);
         }),
         0},
    };
    for (const Case& c : cases) {
        onLoop([&] {
            dispatcher_.addQuery(QueryOperation::powerSources,
                                 [&c](const QueryCall&, Bytes& value) { value = c.sources; });
            dispatcher_.addQuery(QueryOperation::operatingSystemVersion,
                                 [&c](const QueryCall&, Bytes& value) { value = c.version; });
        });
        const CFTypeRef blob = IOPSCopyPowerSourcesInfo();
        EXPECT_EQ(static_cast<bool>(blob), c.usable) << c.what;
        EXPECT_EQ(platform::ProcessInfo::operatingSystemVersion().majorVersion, c.major) << c.what;
    }
}
