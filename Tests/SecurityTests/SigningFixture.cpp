#include "SigningFixture.h"

#include "Security/CodeSigner.h"
#include "Security/TrustStore.h"
#include "SigningTeam/SigningTeam.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

void SigningFixture::SetUp()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "security-tests-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    setenv("SIMMAC_ROOT", root_.c_str(), 1);
    trusted_ = platform::SigningIdentity::create(root_ / "identities/trusted", team());
    otherTeam_ = platform::SigningIdentity::createIssuedBy(root_ / "identities/other", *trusted_, otherTeamIdentifier);
    untrusted_ = platform::SigningIdentity::create(root_ / "identities/untrusted", team());
    platform::TrustStore(root_).install(trusted_->anchorCertificate().publicKey);
    std::filesystem::create_directories(root_ / "work");
}

void SigningFixture::TearDown()
{
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

std::string SigningFixture::team() const
{
    return std::string(velkora::signingTeamIdentifier);
}

std::filesystem::path SigningFixture::makeExecutable(const std::string& name) const
{
    const std::filesystem::path path = root_ / "work" / name;
    std::filesystem::copy_file(GUEST_EXECUTABLE, path, std::filesystem::copy_options::overwrite_existing);
    return path;
}

std::filesystem::path SigningFixture::makeBundle(const std::string& name) const
{
    const std::filesystem::path bundle = root_ / "work" / (name + ".app");
    const std::filesystem::path contents = bundle / "Contents";
    std::filesystem::create_directories(contents / "MacOS");
    std::filesystem::create_directories(contents / "Resources/en.lproj");
    std::filesystem::create_directories(contents / "Library/LaunchDaemons");
    std::filesystem::copy_file(GUEST_EXECUTABLE, contents / "MacOS" / name);
    std::filesystem::copy_file(GUEST_EXECUTABLE, contents / "Library/LaunchDaemons/VelkoraDaemon");
    platform::CodeSigner::sign(contents / "Library/LaunchDaemons/VelkoraDaemon", daemonIdentifier, trusted());
    writeFile(contents / "Info.plist", "<plist><dict><key>CFBundleIdentifier</key><string>com.velkora.app</string>"
                                       "</dict></plist>\n");
    writeFile(contents / "Resources/en.lproj/Localizable.strings", "\"充电\" = \"Charging\";\n");
    return bundle;
}

std::string SigningFixture::requirementFor(const std::string& identifier, const std::string& team)
{
    return "anchor apple generic and identifier \"" + identifier + "\" and certificate leaf[subject.OU] = \"" +
           team + "\"";
}

OSStatus SigningFixture::check(const std::filesystem::path& path, const std::optional<std::string>& requirement)
{
    lastErrors.clear();
    SecStaticCodeRef code;
    if (const OSStatus status = SecStaticCodeCreateWithPath(path, kSecCSDefaultFlags, &code); status != errSecSuccess) {
        return status;
    }
    SecRequirementRef compiled;
    if (requirement) {
        EXPECT_EQ(SecRequirementCreateWithString(*requirement, kSecCSDefaultFlags, &compiled), errSecSuccess);
    }
    return SecStaticCodeCheckValidityWithErrors(code, kSecCSDefaultFlags, compiled, &lastErrors);
}

void SigningFixture::flipByte(const std::filesystem::path& file, std::uintmax_t offset)
{
    std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
    stream.seekg(static_cast<std::streamoff>(offset));
    const char original = static_cast<char>(stream.get());
    stream.seekp(static_cast<std::streamoff>(offset));
    stream.put(static_cast<char>(original ^ 0x01));
    ASSERT_TRUE(stream.good()) << "cannot change " << file;
}

void SigningFixture::replaceText(const std::filesystem::path& file, const std::string& from, const std::string& to)
{
    std::ifstream input(file, std::ios::binary);
    std::string contents((std::istreambuf_iterator<char>(input)), std::istreambuf_iterator<char>());
    input.close();
    const size_t at = contents.find(from);
    ASSERT_NE(at, std::string::npos) << from << " is not in " << file;
    contents.replace(at, from.size(), to);
    std::ofstream output(file, std::ios::binary | std::ios::trunc);
    output << contents;
}

void SigningFixture::writeFile(const std::filesystem::path& file, const std::string& contents)
{
    std::ofstream output(file, std::ios::binary | std::ios::trunc);
    output << contents;
    ASSERT_TRUE(output.flush().good()) << "cannot write " << file;
}
