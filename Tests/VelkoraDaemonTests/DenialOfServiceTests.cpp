#include "DaemonEndToEndTest.h"
#include "RawDaemonConnection.h"

#include <Security/CodeSigner.h>
#include <Security/SigningIdentity.h>

#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

// Clients that try to wear the daemon out before and after their check, with
// the daemon held to few file descriptors: signed clients that open
// connection after connection, clients whose signature record is a pipe or a
// link to an endless device, and a flood of unsigned connections. The daemon
// lives, keeps holding the charge limit, stays small, and a genuine client
// that comes along meanwhile is served.
namespace {

using namespace std::chrono_literals;

class DenialOfServiceTest : public DaemonEndToEndTest, public ::testing::WithParamInterface<rlim_t> {
protected:
    std::unique_ptr<ClientProcess> clientWithSignatureRecord(const std::string& name, bool pipe)
    {
        return clientFromBundle(name, [pipe](const std::filesystem::path& bundle) {
            platform::CodeSigner::sign(bundle, "com.velkora.app", platform::SigningIdentity::load(DEVELOPMENT_IDENTITY));
            const std::filesystem::path record = bundle / "Contents/_CodeSignature/CodeResources";
            std::filesystem::remove(record);
            if (pipe) {
                ASSERT_EQ(mkfifo(record.c_str(), 0644), 0);
            } else {
                std::filesystem::create_symlink("/dev/zero", record);
            }
        });
    }
};

TEST_P(DenialOfServiceTest, TheDaemonLivesEnforcesAndServesAGenuineClient)
{
    startMac("legacy-laptop");
    simmacctl({"plug"});
    simmacctl({"level", "70"});
    DaemonProcess::Options options;
    options.descriptorLimit = GetParam();
    startDaemon(options);
    auto owner = signedClient();
    ASSERT_TRUE(owner
                    ->request("perform " + setPolicyCommand({{"managementEnabled", true},
                                                             {"chargeLimit", 60},
                                                             {"preserveWhenAppClosed", true}}))["data"]
                    .is_object());
    ASSERT_TRUE(eventually([&] { return smc("CH0B") == "02"; })) << "charging inhibited above the limit";

    std::vector<std::unique_ptr<ClientProcess>> hogs;
    for (int index = 0; index < 2; ++index) {
        hogs.push_back(signedClient());
        hogs.back()->send("hold 80");
    }
    std::vector<std::unique_ptr<ClientProcess>> hostile;
    for (int index = 0; index < 6; ++index) {
        hostile.push_back(clientWithSignatureRecord("pipe" + std::to_string(index), true));
        hostile.push_back(clientWithSignatureRecord("zero" + std::to_string(index), false));
    }
    for (const auto& client : hostile) {
        client->send("ping");
    }
    std::vector<int> flood;
    for (int index = 0; index < 300; ++index) {
        if (const int descriptor = attack::connectToDaemon(); descriptor >= 0) {
            flood.push_back(descriptor);
        }
    }

    auto genuine = signedClient();
    EXPECT_TRUE(genuine->request("snapshot", 5s)["data"].is_object()) << daemon->log();
    for (const auto& client : hostile) {
        EXPECT_TRUE(client->answer(20s).contains("error")) << "a hostile bundle was served";
    }
    for (const auto& hog : hogs) {
        const auto held = hog->answer(60s);
        EXPECT_GT(held["refused"].get<int>(), 0) << held.dump();
    }

    simmacctl({"level", "50"});
    EXPECT_TRUE(eventually([&] { return smc("CH0B") == "00"; })) << "charging allowed again below the window";
    simmacctl({"level", "70"});
    EXPECT_TRUE(eventually([&] { return smc("CH0B") == "02"; })) << "and inhibited again above the limit";

    EXPECT_TRUE(daemon->running()) << daemon->log();
    EXPECT_LT(daemon->residentBytes(), std::size_t{100} << 20);
    EXPECT_NE(daemon->log().find("Refusing a connection"), std::string::npos) << daemon->log();
    for (const int descriptor : flood) {
        close(descriptor);
    }

    hogs.clear();
    auto later = signedClient();
    EXPECT_TRUE(later->request("ping", 5s).contains("text")) << "connections let go of are counted out";
}

INSTANTIATE_TEST_SUITE_P(DescriptorLimits, DenialOfServiceTest, ::testing::Values(rlim_t{64}, rlim_t{200}),
                         [](const auto& info) { return "Descriptors" + std::to_string(info.param); });

}  // namespace
