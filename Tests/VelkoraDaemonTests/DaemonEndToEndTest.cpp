#include "DaemonEndToEndTest.h"

#include <VelkoraCore/ChargePolicy.h>
#include <VelkoraCore/ControlCommand.h>
#include <VelkoraCore/IPC.h>

#include <Security/SigningIdentity.h>
#include <Security/TrustStore.h>

#include <unistd.h>

#include <sstream>
#include <thread>

void DaemonEndToEndTest::startMac(const std::string& model)
{
    testsupport::SimmacProcess::Options options;
    options.model = model;
    // The daemon runs as root on a Mac; a developer running the tests
    // unprivileged has simmac treat them as root.
    if (geteuid() != 0) {
        options.privilegedUid = geteuid();
    }
    simmac.emplace(options);
    platform::TrustStore(simmac->root())
        .install(platform::SigningIdentity::load(DEVELOPMENT_IDENTITY).anchorCertificate().publicKey);
}

void DaemonEndToEndTest::startDaemon(DaemonProcess::Options options)
{
    daemon.reset();
    daemon.emplace(std::move(options));
}

std::unique_ptr<ClientProcess> DaemonEndToEndTest::signedClient() const
{
    return std::make_unique<ClientProcess>(std::filesystem::path(CLIENT_BUNDLE) / "Contents/MacOS/DaemonTestClient");
}

std::unique_ptr<ClientProcess> DaemonEndToEndTest::clientFromBundle(
    const std::string& name, const std::function<void(const std::filesystem::path&)>& prepare)
{
    const std::filesystem::path bundle = simmac->root() / "work" / (name + ".app");
    std::filesystem::create_directories(bundle / "Contents/MacOS");
    std::filesystem::copy_file(CLIENT_EXECUTABLE, bundle / "Contents/MacOS/DaemonTestClient");
    prepare(bundle);
    return std::make_unique<ClientProcess>(bundle / "Contents/MacOS/DaemonTestClient");
}

std::string DaemonEndToEndTest::simmacctl(const std::vector<std::string>& arguments) const
{
    const auto result = simmac->simmacctl(arguments);
    EXPECT_EQ(result.exitCode, 0) << "simmacctl " << arguments.front() << ": " << result.errorOutput;
    return result.output;
}

std::string DaemonEndToEndTest::smc(const std::string& key) const
{
    // "<type>\t<size>\t<hex>"
    std::string line = simmacctl({"smc", "read", key});
    const auto value = line.rfind('\t');
    line = value == std::string::npos ? line : line.substr(value + 1);
    while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) {
        line.pop_back();
    }
    return line;
}

bool DaemonEndToEndTest::eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

std::string DaemonEndToEndTest::setPolicyCommand(const nlohmann::json& changes)
{
    const std::vector<std::uint8_t> defaults = velkora::IPC::encode(velkora::ChargePolicy::defaultPolicy());
    nlohmann::ordered_json policy = nlohmann::ordered_json::parse(defaults.begin(), defaults.end());
    for (const auto& [key, value] : changes.items()) {
        policy[key] = value;
    }
    const std::string text = policy.dump();
    const auto command = velkora::ControlCommand::setPolicy(velkora::IPC::decode<velkora::ChargePolicy>(
        std::vector<std::uint8_t>(text.begin(), text.end())));
    const std::vector<std::uint8_t> bytes = velkora::IPC::encode(command);
    return std::string(bytes.begin(), bytes.end());
}
