#include "Security/CodeSigner.h"
#include "Security/TrustStore.h"
#include "SigningFixture.h"
#include "TestProcess.h"

namespace {

class CodesignTool : public SigningFixture {
public:
    TestProcess::Result codesign(const std::vector<std::string>& arguments)
    {
        return TestProcess::run(CODESIGN_TOOL, arguments);
    }

    std::string identityFolder(const char* name) const { return (root() / "identities" / name).string(); }
};

TEST_F(CodesignTool, SignsVerifiesAndDisplays)
{
    const std::string bundle = makeBundle("Tallowmere").string();
    const std::string requirement = requirementFor(appIdentifier, team());

    EXPECT_EQ(codesign({"--sign", identityFolder("trusted"), "--identifier", appIdentifier, bundle}).exitCode, 0);

    const TestProcess::Result verified = codesign({"-v", "-R", requirement, bundle});
    EXPECT_EQ(verified.exitCode, 0) << verified.errors;
    EXPECT_EQ(verified.output, bundle + ": valid on disk\n" + bundle + ": satisfies the requirement\n");

    const TestProcess::Result shown = codesign({"-d", bundle});
    EXPECT_EQ(shown.exitCode, 0);
    EXPECT_EQ(shown.output, "Path=" + bundle + "\nFormat=bundle\nIdentifier=com.velkora.app\nTeamIdentifier=" +
                                team() + "\nAuthority=" + trusted().leafCertificate().commonName +
                                "\nAuthority=" + trusted().anchorCertificate().commonName + "\n");
}

TEST_F(CodesignTool, ExitCodesTellFailuresApart)
{
    const std::string executable = makeExecutable("tool").string();
    const std::string adHoc = makeExecutable("adhoc").string();
    ASSERT_EQ(codesign({"-s", "-", "-i", "tool", adHoc}).exitCode, 0);
    const std::string requirement = requirementFor("tool", team());

    struct Invocation {
        const char* name;
        std::vector<std::string> arguments;
        int exitCode;
        const char* message;
    };
    const std::vector<Invocation> invocations = {
        {"unsigned", {"--verify", executable}, 1, "is not signed (OSStatus -67062)"},
        {"ad hoc without requirement", {"--verify", adHoc}, 0, ""},
        {"ad hoc against the requirement", {"-v", "-R", requirement, adHoc}, 3,
         "signed ad hoc, without a certificate chain (OSStatus -67050)"},
        {"requirement garbage", {"-v", "-R", "anchor apple", adHoc}, 2, "invalid requirement"},
        {"missing path", {"-v", (root() / "missing").string()}, 1, "(OSStatus -67068)"},
        {"sign without identifier", {"-s", identityFolder("trusted"), executable}, 2, "needs an identifier"},
        {"sign with a missing identity", {"-s", identityFolder("none"), "-i", "tool", executable}, 1,
         "private key"},
        {"sign a missing path", {"-s", "-", "-i", "tool", (root() / "missing").string()}, 1, "nothing at"},
        {"two modes", {"-v", "-d", executable}, 2, "choose one"},
        {"unknown option", {"--deep", executable}, 2, "unknown option --deep"},
        {"nothing to do", {}, 2, "nothing to do"},
        {"display unsigned", {"-d", executable}, 1, "(OSStatus -67062)"},
        {"bad team", {"--generate-identity", identityFolder("new"), "--team", "lowercase1"}, 2, "--team"},
    };
    for (const Invocation& invocation : invocations) {
        SCOPED_TRACE(invocation.name);
        const TestProcess::Result result = codesign(invocation.arguments);
        EXPECT_EQ(result.exitCode, invocation.exitCode) << result.errors;
        EXPECT_NE(result.errors.find(invocation.message), std::string::npos) << result.errors;
    }
}

TEST_F(CodesignTool, DisplaysAdHocSignature)
{
    const std::string executable = makeExecutable("tool").string();
    ASSERT_EQ(codesign({"-s", "-", "-i", "tool", executable}).exitCode, 0);
    const TestProcess::Result shown = codesign({"-d", executable});
    EXPECT_EQ(shown.output, "Path=" + executable +
                                "\nFormat=executable\nIdentifier=tool\nTeamIdentifier=not set\nSignature=adhoc\n");
}

TEST_F(CodesignTool, GeneratedIdentityIsKeptAndItsAnchorInstalled)
{
    const std::string folder = identityFolder("development");
    ASSERT_EQ(codesign({"--generate-identity", folder, "--team", "ABCDE12345"}).exitCode, 0);
    const platform::SigningIdentity first = platform::SigningIdentity::load(folder);
    ASSERT_EQ(codesign({"--generate-identity", folder, "--team", "ABCDE12345"}).exitCode, 0);
    EXPECT_EQ(platform::SigningIdentity::load(folder).leafCertificate(), first.leafCertificate());

    // A new team keeps the anchor, so roots that trust it need nothing new.
    ASSERT_EQ(codesign({"--generate-identity", folder, "--team", "ZYXWV98765"}).exitCode, 0);
    const platform::SigningIdentity second = platform::SigningIdentity::load(folder);
    EXPECT_EQ(second.teamIdentifier(), "ZYXWV98765");
    EXPECT_EQ(second.anchorCertificate(), first.anchorCertificate());

    const std::filesystem::path otherRoot = root() / "other-root";
    EXPECT_FALSE(platform::TrustStore(otherRoot).contains(second.anchorCertificate().publicKey));
    const TestProcess::Result installed = codesign({"--install-anchor", folder, "--root", otherRoot.string()});
    EXPECT_EQ(installed.exitCode, 0) << installed.errors;
    EXPECT_TRUE(platform::TrustStore(otherRoot).contains(second.anchorCertificate().publicKey));

    // Without --root the anchor goes to the root of SIMMAC_ROOT.
    const std::string executable = makeExecutable("tool").string();
    ASSERT_EQ(codesign({"-s", folder, "-i", "tool", executable}).exitCode, 0);
    EXPECT_EQ(codesign({"-v", "-R", "anchor apple generic", executable}).exitCode, 3);
    ASSERT_EQ(codesign({"--install-anchor", folder}).exitCode, 0);
    EXPECT_EQ(codesign({"-v", "-R", "anchor apple generic", executable}).exitCode, 0);
}

TEST_F(CodesignTool, IssuesAnotherTeamFromAnAnchor)
{
    const std::string folder = identityFolder("issued");
    ASSERT_EQ(codesign({"--generate-identity", folder, "--team", "QQQQQ11111", "--issuer", identityFolder("trusted")})
                  .exitCode,
              0);
    const platform::SigningIdentity issued = platform::SigningIdentity::load(folder);
    EXPECT_EQ(issued.anchorCertificate(), trusted().anchorCertificate());
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(folder) / "anchor.key"));

    const std::string executable = makeExecutable("tool").string();
    ASSERT_EQ(codesign({"-s", folder, "-i", "tool", executable}).exitCode, 0);
    EXPECT_EQ(codesign({"-v", "-R", requirementFor("tool", "QQQQQ11111"), executable}).exitCode, 0);
}

}  // namespace
