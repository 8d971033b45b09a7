#include "Security/CodeSigner.h"
#include "Security/SigningIdentity.h"
#include "Security/TrustStore.h"
#include "Simulator/SimmacConnection.h"
#include "TestSupport/SimmacProcess.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace {

namespace fs = std::filesystem;

struct ProbeRun {
    std::string output;
    std::string errors;
};

// The built bundle with the probe as its application, signed as the build signs it.
class HelperDaemonTest : public testing::Test {
protected:
    void SetUp() override
    {
        const auto maker = platform::SigningIdentity::load(DEVELOPMENT_IDENTITY);
        platform::TrustStore(simmac.root()).install(maker.anchorCertificate().publicKey);
        fs::create_directories(bundle().parent_path());
        fs::copy(VELKORA_APP_BUNDLE, bundle(), fs::copy_options::recursive);
        fs::copy_file(REGISTRATION_PROBE, bundle() / "Contents/MacOS/Velkora", fs::copy_options::overwrite_existing);
        platform::CodeSigner::sign(bundle(), "com.velkora.app", maker);
    }

    fs::path bundle() const { return simmac.root() / "Applications/Tallowmere.app"; }

    ProbeRun probe(const QString& command) const
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("SIMMAC_ROOT", QString::fromStdString(simmac.root().string()));
        environment.insert("LANGUAGE", "en");
        process.setProcessEnvironment(environment);
        process.start(QString::fromStdString((bundle() / "Contents/MacOS/Velkora").string()), {command});
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            return {"did not finish", ""};
        }
        return {process.readAllStandardOutput().toStdString(), process.readAllStandardError().toStdString()};
    }

    std::optional<pid_t> daemonProcess() const
    {
        const nlohmann::ordered_json status = simulator::SimmacConnection().request("status");
        for (const auto& job : status["launchd"]["jobs"]) {
            if (job["label"] == "com.velkora.charging-helper" && !job["pid"].is_null()) {
                return job["pid"].get<pid_t>();
            }
        }
        return std::nullopt;
    }

    testsupport::SimmacProcess simmac;
};

// The effective user of a running process.
std::string effectiveUser(pid_t process)
{
    std::ifstream status("/proc/" + std::to_string(process) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("Uid:", 0) == 0) {
            std::istringstream fields(line.substr(4));
            std::string real;
            std::string effective;
            fields >> real >> effective;
            return effective;
        }
    }
    return "(gone)";
}

TEST_F(HelperDaemonTest, TheHelperRunsOnceApprovedWithoutAClientAndStopsWhenUninstalled)
{
    EXPECT_EQ(probe("status").output, "Not Installed\n");

    const ProbeRun installed = probe("install");
    EXPECT_EQ(installed.output, "Awaiting Approval\n");
    EXPECT_NE(installed.errors.find("Helper registration requires approval: "), std::string::npos)
        << installed.errors;
    EXPECT_EQ(probe("status").output, "Awaiting Approval\n");

    const auto approved = simmac.simmacctl({"approve", "com.velkora.charging-helper"});
    EXPECT_EQ(approved.output, "com.velkora.charging-helper\tenabled\n") << approved.errorOutput;
    EXPECT_EQ(probe("status").output, "Enabled\n");
    // launchd starts it on the approval, before any client asks for it.
    const std::optional<pid_t> daemon = daemonProcess();
    ASSERT_TRUE(daemon);

    const ProbeRun pinged = probe("ping");
    EXPECT_EQ(pinged.output.rfind("Velkora charging helper protocol ", 0), 0u) << pinged.output << pinged.errors;
    EXPECT_EQ(daemonProcess(), daemon) << "the running daemon serves the client";
    // simmac starts it with its own credentials: root, as every test run in CI.
    EXPECT_EQ(effectiveUser(*daemon), std::to_string(::geteuid()));

    // The daemon knows the build it was installed with from its property list.
    EXPECT_EQ(probe("health").output, std::string("build ") + VELKORA_BUILD_STAMP + " version " +
                                          VELKORA_SHORT_VERSION + " service com.velkora.charging-helper\n");

    EXPECT_EQ(probe("uninstall").output, "uninstalled\n");
    EXPECT_EQ(::kill(*daemon, 0), -1);
    EXPECT_EQ(probe("status").output, "Not Installed\n");
}

}  // namespace
