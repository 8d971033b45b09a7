#include "DaemonEndToEndTest.h"

#include <Security/CodeSigner.h>
#include <Security/SigningIdentity.h>

#include <cstdlib>
#include <fstream>

namespace {

using platform::CodeSigner;
using platform::SigningIdentity;

constexpr const char* appIdentifier = "com.velkora.app";

struct Refusal {
    const char* name;
    std::function<void(const std::filesystem::path& bundle, const std::filesystem::path& root)> prepare;
};

void PrintTo(const Refusal& refusal, std::ostream* stream)
{
    *stream << refusal.name;
}

const Refusal refusals[] = {
    {"Unsigned", [](const std::filesystem::path&, const std::filesystem::path&) {}},
    {"AdHocSigned", [](const std::filesystem::path& bundle,
                       const std::filesystem::path&) { CodeSigner::signAdHoc(bundle, appIdentifier); }},
    {"RightTeamOtherIdentifier",
     [](const std::filesystem::path& bundle, const std::filesystem::path&) {
         CodeSigner::sign(bundle, "com.velkora.other", SigningIdentity::load(DEVELOPMENT_IDENTITY));
     }},
    {"RightIdentifierOtherTeam",
     [](const std::filesystem::path& bundle, const std::filesystem::path& root) {
         const SigningIdentity otherTeam = SigningIdentity::createIssuedBy(
             root / "identities/other", SigningIdentity::load(DEVELOPMENT_IDENTITY), "OTHER12345");
         CodeSigner::sign(bundle, appIdentifier, otherTeam);
     }},
    {"ModifiedAfterSigning",
     [](const std::filesystem::path& bundle, const std::filesystem::path&) {
         CodeSigner::sign(bundle, appIdentifier, SigningIdentity::load(DEVELOPMENT_IDENTITY));
         std::ofstream(bundle / "Contents/MacOS/DaemonTestClient", std::ios::binary | std::ios::app) << '\0';
     }},
};

class RefusedClientTests : public DaemonEndToEndTest, public ::testing::WithParamInterface<Refusal> {};

// Each refused client is turned away with the rejection logged, and it is not
// counted: when the one accepted client leaves, the count reaches zero and the
// daemon hands the hardware back (its policy does not preserve the rules).
TEST_P(RefusedClientTests, IsRefusedLoggedAndNotCounted)
{
    startMac("legacy-laptop");
    startDaemon();
    auto accepted = signedClient();
    const auto reply = accepted->request(
        "perform " + setPolicyCommand({{"managementEnabled", true}, {"chargeLimit", 20}, {"preserveWhenAppClosed", false}}));
    ASSERT_TRUE(reply["data"].is_object()) << reply.dump();
    ASSERT_TRUE(eventually([&] { return smc("CH0I") == "01"; })) << "the daemon discharges to the limit";

    auto refused = clientFromBundle(GetParam().name, [&](const std::filesystem::path& bundle) {
        GetParam().prepare(bundle, simmac->root());
    });
    const auto answer = refused->request("ping");
    EXPECT_TRUE(answer.contains("error")) << answer.dump();
    EXPECT_NE(daemon->log().find("Rejected unauthorized XPC client pid " + std::to_string(refused->pid())),
              std::string::npos)
        << daemon->log();

    accepted->quit();
    EXPECT_TRUE(eventually([&] { return smc("CH0I") == "00" && smc("CH0B") == "00"; }))
        << "the last accepted client left, so the hardware defaults are back";
}

INSTANTIATE_TEST_SUITE_P(Clients, RefusedClientTests, ::testing::ValuesIn(refusals),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DaemonEndToEndTest, AClientWithoutAProcessIdentifierIsRefused)
{
    if (std::system("/usr/bin/unshare --pid --fork /bin/true >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "this machine does not let the test give the daemon a process namespace of its own";
    }
    startMac("legacy-laptop");
    DaemonProcess::Options options;
    options.ownProcessNamespace = true;
    startDaemon(options);
    auto client = signedClient();
    const auto answer = client->request("ping");
    EXPECT_TRUE(answer.contains("error")) << answer.dump();
    EXPECT_NE(daemon->log().find("Rejected unauthorized XPC client pid 0"), std::string::npos) << daemon->log();
}

TEST_F(DaemonEndToEndTest, TheSignedApplicationIsServed)
{
    startMac("legacy-laptop");
    startDaemon({.environment = {{"TALLOWMERE_HELPER_BUILD", "4711"}}});
    auto client = signedClient();
    EXPECT_EQ(client->request("ping")["text"], "Velkora charging helper protocol 10");
    const auto health = client->request("health");
    ASSERT_TRUE(health["data"].is_object()) << health.dump();
    EXPECT_EQ(health["data"]["identity"]["helperBuild"], "4711");
    EXPECT_EQ(health["data"]["identity"]["appVersion"], "unknown");
    EXPECT_EQ(health["data"]["identity"]["serviceName"], "com.velkora.charging-helper");
    EXPECT_EQ(health["data"]["hardwareAvailable"], true);
    EXPECT_FALSE(health["data"].contains("failure"));
    EXPECT_EQ(daemon->log().find("Rejected"), std::string::npos) << daemon->log();
}

}  // namespace
