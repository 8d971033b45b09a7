#include "Security/CodeSigner.h"
#include "Security/OSStatus.h"
#include "Security/SigningIdentity.h"
#include "Security/TrustStore.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <set>

namespace {

namespace fs = std::filesystem;

const std::string build = "202612090500";

std::string plist(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">" +
           body + "</plist>\n";
}

std::string manifest(const std::string& label = "com.velkora.charging-helper",
                     const std::string& program = "Contents/Library/LaunchDaemons/VelkoraDaemon",
                     const std::string& environment = "<key>TALLOWMERE_HELPER_BUILD</key><string>" + build +
                                                      "</string><key>TALLOWMERE_APP_VERSION</key><string>1.4.0</string>")
{
    return plist("<dict><key>Label</key><string>" + label + "</string><key>BundleProgram</key><string>" + program +
                 "</string><key>MachServices</key><dict><key>com.velkora.charging-helper</key><true/></dict>"
                 "<key>EnvironmentVariables</key><dict>" +
                 environment + "</dict></dict>");
}

struct BundleRecipe {
    std::optional<std::string> build = ::build;
    std::string executableName = "Velkora";
    std::optional<std::string> manifest = ::manifest();
    bool withDaemon = true;
    bool daemonExecutable = true;
    enum class Signer { maker, otherTeam, none } signer = Signer::maker;
    Signer daemonSigner = Signer::maker;
    std::string identifier = "com.velkora.app";
};

struct ProbeRun {
    int exitCode = -1;
    std::string output;
    std::string errors;
};

void writeFile(const fs::path& file, const std::string& contents)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << contents;
}

std::string readFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class AppInstallationTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "app-installation-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern;
        maker.emplace(platform::SigningIdentity::load(DEVELOPMENT_IDENTITY));
        otherTeam.emplace(platform::SigningIdentity::createIssuedBy(root / "identities/other", *maker, "OTHER12345"));
        platform::TrustStore(root).install(maker->anchorCertificate().publicKey);
    }

    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    fs::path applications() const { return root / "Applications"; }
    fs::path installed() const { return applications() / "Tallowmere.app"; }

    const platform::SigningIdentity* identityFor(BundleRecipe::Signer signer) const
    {
        switch (signer) {
        case BundleRecipe::Signer::maker:
            return &*maker;
        case BundleRecipe::Signer::otherTeam:
            return &*otherTeam;
        case BundleRecipe::Signer::none:
            break;
        }
        return nullptr;
    }

    // A bundle laid out as the build makes it, the probe being its main executable.
    fs::path makeBundle(const fs::path& bundle, const BundleRecipe& recipe = {}) const
    {
        const fs::path contents = bundle / "Contents";
        fs::create_directories(contents / "MacOS");
        fs::copy_file(INSTALLATION_PROBE, contents / "MacOS/Velkora");
        std::string info = "<dict><key>CFBundleIdentifier</key><string>com.velkora.app</string>"
                           "<key>CFBundleShortVersionString</key><string>1.4.0</string>"
                           "<key>CFBundleExecutable</key><string>" +
                           recipe.executableName + "</string>";
        if (recipe.build) {
            info += "<key>CFBundleVersion</key><string>" + *recipe.build + "</string>";
        }
        writeFile(contents / "Info.plist", plist(info + "</dict>"));
        const fs::path daemons = contents / "Library/LaunchDaemons";
        fs::create_directories(daemons);
        if (recipe.withDaemon) {
            fs::copy_file(INSTALLATION_PROBE, daemons / "VelkoraDaemon");
            if (!recipe.daemonExecutable) {
                fs::permissions(daemons / "VelkoraDaemon", fs::perms::owner_read | fs::perms::owner_write);
            }
            if (const auto* identity = identityFor(recipe.daemonSigner)) {
                platform::CodeSigner::sign(daemons / "VelkoraDaemon", "VelkoraDaemon", *identity);
            }
        }
        if (recipe.manifest) {
            writeFile(daemons / "com.velkora.charging-helper.plist", *recipe.manifest);
        }
        if (const auto* identity = identityFor(recipe.signer)) {
            platform::CodeSigner::sign(bundle, recipe.identifier, *identity);
        }
        return bundle;
    }

    ProbeRun runProbe(const fs::path& bundle, const QString& command, const QString& language = "en") const
    {
        QProcess probe;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("SIMMAC_ROOT", QString::fromStdString(root.string()));
        environment.insert("LANGUAGE", language);
        environment.insert("LC_ALL", language == "en" ? "C.UTF-8" : "zh_CN.UTF-8");
        probe.setProcessEnvironment(environment);
        probe.start(QString::fromStdString((bundle / "Contents/MacOS/Velkora").string()), {command});
        ProbeRun run;
        if (!probe.waitForFinished(30000)) {
            probe.kill();
            probe.waitForFinished();
            ADD_FAILURE() << "the probe did not finish: " << command.toStdString();
            return run;
        }
        run.exitCode = probe.exitCode();
        run.output = probe.readAllStandardOutput().toStdString();
        run.errors = probe.readAllStandardError().toStdString();
        return run;
    }

    std::set<std::string> applicationsFolder() const
    {
        std::set<std::string> names;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(applications(), error)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    // The bundles that relaunched copies ran from, once one has written its line.
    std::string launches(std::chrono::milliseconds wait) const
    {
        const QDeadlineTimer deadline(wait);
        std::string lines = readFile(root / "launches");
        while ((lines.empty() || lines.back() != '\n') && !deadline.hasExpired()) {
            QThread::msleep(10);
            lines = readFile(root / "launches");
        }
        return lines;
    }

    fs::path root;
    std::optional<platform::SigningIdentity> maker;
    std::optional<platform::SigningIdentity> otherTeam;
};

std::string line(const std::string& text)
{
    return text + "\n";
}

std::string signatureFailure(OSStatus status)
{
    return "AppInstallationError: App signature validation failed: OSStatus " + std::to_string(status) + "\n";
}

const std::string manifestMismatch =
    "AppInstallationError: The app is missing daemon component: The daemon manifest does not match this build\n";

TEST_F(AppInstallationTest, TheInstalledBundleKnowsItsBuildAndPlace)
{
    makeBundle(installed());
    EXPECT_EQ(runProbe(installed(), "identity").output,
              line("build " + build) + line("version 1.4.0") + line("at expected location yes"));

    makeBundle(root / "Downloads/Tallowmere.app", BundleRecipe{.build = std::nullopt});
    EXPECT_EQ(runProbe(root / "Downloads/Tallowmere.app", "identity").output,
              line("build unknown") + line("version 1.4.0") + line("at expected location no"));
}

TEST_F(AppInstallationTest, ValidationNamesWhatIsWrongWithTheBundle)
{
    const struct {
        const char* name;
        BundleRecipe recipe;
        std::function<void(const fs::path&)> afterSigning;
        std::string expected;
    } cases[] = {
        {"complete, with keys the check ignores", {}, nullptr, "valid\n"},
        {"no build stamp anywhere",
         {.build = std::nullopt,
          .manifest = manifest("com.velkora.charging-helper", "Contents/Library/LaunchDaemons/VelkoraDaemon",
                               "<key>TALLOWMERE_HELPER_BUILD</key><string>unknown</string>")},
         nullptr, "valid\n"},
        {"unsigned", {.signer = BundleRecipe::Signer::none}, nullptr, signatureFailure(errSecCSUnsigned)},
        {"signed by another team", {.signer = BundleRecipe::Signer::otherTeam}, nullptr,
         signatureFailure(errSecCSReqFailed)},
        {"signed with another identifier", {.identifier = "com.example.other"}, nullptr,
         signatureFailure(errSecCSReqFailed)},
        {"a daemon changed after signing", {},
         [](const fs::path& bundle) {
             std::ofstream(bundle / "Contents/Library/LaunchDaemons/VelkoraDaemon", std::ios::app) << "tampered";
         },
         signatureFailure(errSecCSBadResource)},
        {"a daemon of another team", {.daemonSigner = BundleRecipe::Signer::otherTeam}, nullptr,
         signatureFailure(errSecCSReqFailed)},
        {"an unsigned daemon", {.daemonSigner = BundleRecipe::Signer::none}, nullptr,
         signatureFailure(errSecCSUnsigned)},
        {"a daemon that cannot run", {.daemonExecutable = false}, nullptr,
         "AppInstallationError: The app is missing daemon component: VelkoraDaemon\n"},
        {"no daemon", {.withDaemon = false}, nullptr,
         "AppInstallationError: The app is missing daemon component: VelkoraDaemon\n"},
        {"no property list", {.manifest = std::nullopt}, nullptr,
         "AppInstallationError: The app is missing daemon component: com.velkora.charging-helper.plist\n"},
        {"another build's stamp",
         {.manifest = manifest("com.velkora.charging-helper", "Contents/Library/LaunchDaemons/VelkoraDaemon",
                               "<key>TALLOWMERE_HELPER_BUILD</key><string>202501010000</string>")},
         nullptr, manifestMismatch},
        {"an environment value that is not text",
         {.manifest = manifest("com.velkora.charging-helper", "Contents/Library/LaunchDaemons/VelkoraDaemon",
                               "<key>TALLOWMERE_HELPER_BUILD</key><string>" + build +
                                   "</string><key>VELKORA_DEBUG</key><integer>1</integer>")},
         nullptr, manifestMismatch},
        {"no build stamp in the environment",
         {.manifest = manifest("com.velkora.charging-helper", "Contents/Library/LaunchDaemons/VelkoraDaemon",
                               "<key>TALLOWMERE_APP_VERSION</key><string>1.4.0</string>")},
         nullptr, manifestMismatch},
        {"another label", {.manifest = manifest("com.example.helper")}, nullptr, manifestMismatch},
        {"another program", {.manifest = manifest("com.velkora.charging-helper", "Contents/MacOS/Velkora")}, nullptr,
         manifestMismatch},
        {"a property list that is not a dictionary", {.manifest = plist("<array><string>Label</string></array>")},
         nullptr, manifestMismatch},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        fs::remove_all(installed());
        makeBundle(installed(), testCase.recipe);
        if (testCase.afterSigning) {
            testCase.afterSigning(installed());
        }
        EXPECT_EQ(runProbe(installed(), "validate").output, testCase.expected);
    }

    // Bytes that are no property list fail with the parser's own error.
    fs::remove_all(installed());
    makeBundle(installed(), BundleRecipe{.manifest = "Label = com.velkora.charging-helper"});
    EXPECT_EQ(runProbe(installed(), "validate").output.rfind("NSError NSCocoaErrorDomain 3840: ", 0), 0u);
}

TEST_F(AppInstallationTest, OnlyTheExpectedLocationCountsHoweverItIsReached)
{
    makeBundle(root / "Downloads/Tallowmere.app");
    EXPECT_EQ(runProbe(root / "Downloads/Tallowmere.app", "validate").output,
              "AppInstallationError: Tallowmere must be installed in Applications before enabling its charging "
              "daemon\n");

    // The Applications entry is a link to the bundle kept elsewhere.
    fs::create_directories(applications());
    fs::create_directory_symlink(root / "Downloads/Tallowmere.app", installed());
    EXPECT_EQ(runProbe(installed(), "validate").output, "valid\n");
    EXPECT_EQ(runProbe(applications() / "../Applications/./Tallowmere.app", "validate").output, "valid\n");
}

TEST_F(AppInstallationTest, TextsInBothLanguages)
{
    makeBundle(root / "Downloads/Tallowmere.app");
    EXPECT_EQ(runProbe(root / "Downloads/Tallowmere.app", "describe").output,
              "The app is missing daemon component: X\n"
              "App signature validation failed: X\n"
              "Tallowmere must be installed in Applications before enabling its charging daemon\n"
              "The existing Tallowmere in Applications has a different signature and was not replaced\n"
              "The app is missing daemon component: The daemon manifest does not match this build\n");
    EXPECT_EQ(runProbe(root / "Downloads/Tallowmere.app", "describe", "zh_CN").output,
              "应用包缺少后台服务组件：X\n"
              "应用签名验证失败：X\n"
              "Tallowmere 必须安装到“应用程序”文件夹后才能启用充电后台服务\n"
              "“应用程序”中已有的 Tallowmere 签名不匹配，已停止覆盖\n"
              "应用包缺少后台服务组件：后台服务清单与当前构建不匹配\n");
}

TEST_F(AppInstallationTest, InstallingReplacesATrustedCopyAndRelaunchesFromIt)
{
    makeBundle(installed(), BundleRecipe{.build = "202401010000"});
    const fs::path downloaded = makeBundle(root / "Downloads/Tallowmere.app");

    const ProbeRun run = runProbe(downloaded, "install");
    EXPECT_EQ(run.output, "installed\nterminated\n") << run.errors;
    EXPECT_EQ(applicationsFolder(), std::set<std::string>{"Tallowmere.app"});
    EXPECT_NE(readFile(installed() / "Contents/Info.plist").find(build), std::string::npos);
    EXPECT_EQ(launches(std::chrono::seconds(10)), line(installed().string()));

    // The installed copy finds itself where it belongs.
    EXPECT_EQ(runProbe(installed(), "validate").output, "valid\n");
}

TEST_F(AppInstallationTest, InstallingIntoAnEmptyPlaceMovesTheCopyThere)
{
    const fs::path downloaded = makeBundle(root / "Downloads/Tallowmere.app");
    const ProbeRun run = runProbe(downloaded, "install");
    EXPECT_EQ(run.output, "installed\nterminated\n") << run.errors;
    EXPECT_EQ(applicationsFolder(), std::set<std::string>{"Tallowmere.app"});
    EXPECT_EQ(launches(std::chrono::seconds(10)), line(installed().string()));
    EXPECT_TRUE(fs::exists(downloaded)) << "the running copy stays where it was";
}

TEST_F(AppInstallationTest, ACopyThatIsNotTheMakersIsLeftAlone)
{
    const struct {
        const char* name;
        BundleRecipe recipe;
    } existing[] = {
        {"signed by another team", {.build = "202401010000", .signer = BundleRecipe::Signer::otherTeam}},
        {"signed with another identifier", {.build = "202401010000", .identifier = "com.example.other"}},
        {"unsigned", {.build = "202401010000", .signer = BundleRecipe::Signer::none}},
    };
    const fs::path downloaded = makeBundle(root / "Downloads/Tallowmere.app");
    for (const auto& testCase : existing) {
        SCOPED_TRACE(testCase.name);
        fs::remove_all(installed());
        makeBundle(installed(), testCase.recipe);
        const std::string before = readFile(installed() / "Contents/Info.plist");

        EXPECT_EQ(runProbe(downloaded, "install").output,
                  "AppInstallationError: The existing Tallowmere in Applications has a different signature and was "
                  "not replaced\n");
        EXPECT_EQ(applicationsFolder(), std::set<std::string>{"Tallowmere.app"});
        EXPECT_EQ(readFile(installed() / "Contents/Info.plist"), before);
    }
    EXPECT_FALSE(fs::exists(root / "launches"));
}

TEST_F(AppInstallationTest, AnIncompleteRunningCopyInstallsNothing)
{
    const fs::path downloaded = makeBundle(
        root / "Downloads/Tallowmere.app",
        BundleRecipe{.manifest = manifest("com.velkora.charging-helper", "Contents/Library/LaunchDaemons/VelkoraDaemon",
                                          "<key>TALLOWMERE_HELPER_BUILD</key><string>202501010000</string>")});
    EXPECT_EQ(runProbe(downloaded, "install").output, manifestMismatch);
    EXPECT_EQ(applicationsFolder(), std::set<std::string>{});
}

TEST_F(AppInstallationTest, ARelaunchThatFailsLeavesThisCopyRunningAndTheNewOneInstalled)
{
    // The bundle names a main executable that is not there.
    const fs::path downloaded =
        makeBundle(root / "Downloads/Tallowmere.app", BundleRecipe{.executableName = "Missing"});
    const ProbeRun run = runProbe(downloaded, "install");
    EXPECT_EQ(run.output, "installed\nstill running\n");
    EXPECT_NE(run.errors.find("Alert: The application \"Tallowmere.app\" can't be opened"), std::string::npos)
        << run.errors;
    EXPECT_EQ(applicationsFolder(), std::set<std::string>{"Tallowmere.app"});
    EXPECT_FALSE(fs::exists(root / "launches"));
}

}  // namespace
