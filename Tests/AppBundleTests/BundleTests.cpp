#include "Foundation/PropertyListSerialization.h"
#include "Foundation/StringsTable.h"
#include "SigningTeam/SigningTeam.h"

#include <gtest/gtest.h>

#include <QMap>
#include <QProcess>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;
using platform::PropertyList;

const fs::path bundle = VELKORA_APP_BUNDLE;

std::string readFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

PropertyList::Dictionary dictionaryAt(const fs::path& file)
{
    const std::string bytes = readFile(file);
    const PropertyList list = platform::PropertyListSerialization::propertyList(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    const auto* dictionary = list.get<PropertyList::Dictionary>();
    return dictionary != nullptr ? *dictionary : PropertyList::Dictionary{};
}

std::string textAt(const PropertyList::Dictionary& dictionary, const std::string& key)
{
    const auto found = dictionary.find(key);
    const std::string* text = found != dictionary.end() ? found->second.get<std::string>() : nullptr;
    return text != nullptr ? *text : "(missing)";
}

struct ProcessRun {
    int exitCode = -1;
    std::string output;
};

ProcessRun run(const QString& program, const QStringList& arguments, const fs::path& root,
        const QMap<QString, QString>& extra = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("SIMMAC_ROOT", QString::fromStdString(root.string()));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    for (auto variable = extra.cbegin(); variable != extra.cend(); ++variable) {
        environment.insert(variable.key(), variable.value());
    }
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return {-1, "did not finish"};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAll().toStdString()};
}

// A simulated root of its own that trusts the build's signing anchor.
class AppBundleTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "app-bundle-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern;
        const ProcessRun trusted = run(CODESIGN_TOOL, {"--install-anchor", DEVELOPMENT_IDENTITY}, root);
        ASSERT_EQ(trusted.exitCode, 0) << trusted.output;
    }

    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    ProcessRun verify(const fs::path& code, const std::string& identifier) const
    {
        const std::string requirement = "anchor apple generic and identifier \"" + identifier +
                                        "\" and certificate leaf[subject.OU] = \"" +
                                        std::string(velkora::signingTeamIdentifier) + "\"";
        return run(CODESIGN_TOOL, {"-v", "-R", QString::fromStdString(requirement), QString::fromStdString(code)},
                   root);
    }

    fs::path copyOfTheBundle(const fs::path& destination) const
    {
        fs::create_directories(destination.parent_path());
        fs::copy(bundle, destination, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
        return destination;
    }

    // The application's own verdict on the bundle it runs from.
    ProcessRun validateFrom(const fs::path& copy) const
    {
        return run(QString::fromStdString((copy / "Contents/MacOS/Velkora").string()), {}, root,
                   {{"LD_PRELOAD", BUNDLE_VALIDATION_PROBE}, {"LANGUAGE", "en"}});
    }

    fs::path root;
};

TEST_F(AppBundleTest, TheBundleIsLaidOutAndStampedWithOneBuild)
{
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(bundle)) {
        if (entry.is_regular_file()) {
            files.insert(entry.path().lexically_relative(bundle).string());
        }
    }
    EXPECT_EQ(files, (std::set<std::string>{
                         "Contents/Info.plist",
                         "Contents/MacOS/Velkora",
                         "Contents/Library/LaunchDaemons/VelkoraDaemon",
                         "Contents/Library/LaunchDaemons/com.velkora.charging-helper.plist",
                         "Contents/Resources/en.lproj/Localizable.strings",
                         "Contents/_CodeSignature/CodeResources",
                     }));
    EXPECT_EQ(::access((bundle / "Contents/MacOS/Velkora").c_str(), X_OK), 0);
    EXPECT_EQ(::access((bundle / "Contents/Library/LaunchDaemons/VelkoraDaemon").c_str(), X_OK), 0);

    const auto info = dictionaryAt(bundle / "Contents/Info.plist");
    EXPECT_EQ(textAt(info, "CFBundleIdentifier"), "com.velkora.app");
    EXPECT_EQ(textAt(info, "CFBundleName"), "Tallowmere");
    EXPECT_EQ(textAt(info, "CFBundleExecutable"), "Velkora");
    EXPECT_EQ(textAt(info, "CFBundleVersion"), VELKORA_BUILD_STAMP);
    EXPECT_EQ(textAt(info, "CFBundleShortVersionString"), VELKORA_SHORT_VERSION);

    const auto daemon = dictionaryAt(bundle / "Contents/Library/LaunchDaemons/com.velkora.charging-helper.plist");
    EXPECT_EQ(textAt(daemon, "Label"), "com.velkora.charging-helper");
    EXPECT_EQ(textAt(daemon, "BundleProgram"), "Contents/Library/LaunchDaemons/VelkoraDaemon");
    const auto* services = daemon.at("MachServices").get<PropertyList::Dictionary>();
    ASSERT_NE(services, nullptr);
    EXPECT_EQ(services->size(), 1u);
    EXPECT_TRUE(services->contains("com.velkora.charging-helper"));
    const auto* environment = daemon.at("EnvironmentVariables").get<PropertyList::Dictionary>();
    ASSERT_NE(environment, nullptr);
    EXPECT_EQ(textAt(*environment, "TALLOWMERE_HELPER_BUILD"), VELKORA_BUILD_STAMP);
    EXPECT_EQ(textAt(*environment, "TALLOWMERE_APP_VERSION"), VELKORA_SHORT_VERSION);

    const auto strings =
        platform::StringsTable::parse(readFile(bundle / "Contents/Resources/en.lproj/Localizable.strings"));
    EXPECT_EQ(strings.value("等待系统批准"), "Awaiting Approval");
}

TEST_F(AppBundleTest, TheBundleAndItsDaemonCarryTheMakersSignatures)
{
    const ProcessRun application = verify(bundle, "com.velkora.app");
    EXPECT_EQ(application.exitCode, 0) << application.output;
    EXPECT_NE(application.output.find("satisfies the requirement"), std::string::npos) << application.output;
    const ProcessRun daemon = verify(bundle / "Contents/Library/LaunchDaemons/VelkoraDaemon", "VelkoraDaemon");
    EXPECT_EQ(daemon.exitCode, 0) << daemon.output;

    EXPECT_NE(verify(bundle, "VelkoraDaemon").exitCode, 0) << "the identifiers are not interchangeable";

    // A daemon changed after signing breaks both seals.
    const fs::path copy = copyOfTheBundle(root / "Downloads/Tallowmere.app");
    std::ofstream(copy / "Contents/Library/LaunchDaemons/VelkoraDaemon", std::ios::app) << "tampered";
    EXPECT_NE(verify(copy, "com.velkora.app").exitCode, 0);
    EXPECT_NE(verify(copy / "Contents/Library/LaunchDaemons/VelkoraDaemon", "VelkoraDaemon").exitCode, 0);
}

TEST_F(AppBundleTest, TheApplicationAcceptsItsBundleOnlyInApplications)
{
    const ProcessRun installed = validateFrom(copyOfTheBundle(root / "Applications/Tallowmere.app"));
    EXPECT_EQ(installed.output, "valid\n");
    EXPECT_EQ(installed.exitCode, 0);

    EXPECT_EQ(validateFrom(copyOfTheBundle(root / "Downloads/Tallowmere.app")).output,
              "AppInstallationError: Tallowmere must be installed in Applications before enabling its charging "
              "daemon\n");
}

}  // namespace
