#include "Security/CodeSigner.h"
#include "Security/SecurityError.h"
#include "SigningFixture.h"

#include <fstream>
#include <functional>

namespace {

using platform::CodeSigner;

enum class Shape { executable, bundle };

struct ValidityCase {
    const char* name;
    Shape shape;
    // Signs (or not) and tampers with the code made for the case.
    std::function<void(SigningFixture&, const std::filesystem::path&)> prepare;
    OSStatus valid;
    OSStatus withRequirement;
};

void PrintTo(const ValidityCase& testCase, std::ostream* stream)
{
    *stream << testCase.name;
}

class CodeValidity : public SigningFixture, public ::testing::WithParamInterface<ValidityCase> {};

const auto signedBy = [](const platform::SigningIdentity& (SigningFixture::*identity)() const,
                         const char* identifier = "com.velkora.app") {
    return [identity, identifier](SigningFixture& fixture, const std::filesystem::path& code) {
        CodeSigner::sign(code, identifier, (fixture.*identity)());
    };
};

const auto signedThen = [](std::function<void(const std::filesystem::path&)> tamper) {
    return [tamper](SigningFixture& fixture, const std::filesystem::path& code) {
        CodeSigner::sign(code, "com.velkora.app", fixture.trusted());
        tamper(code);
    };
};

const std::vector<ValidityCase> cases = {
    {"ExecutableSignedByTeam", Shape::executable, signedBy(&SigningFixture::trusted), errSecSuccess, errSecSuccess},
    {"ExecutableUnsigned", Shape::executable, [](auto&, auto&) {}, errSecCSUnsigned, errSecCSUnsigned},
    {"ExecutableAdHoc", Shape::executable,
     [](auto&, const std::filesystem::path& code) { CodeSigner::signAdHoc(code, "com.velkora.app"); },
     errSecSuccess, errSecCSReqFailed},
    {"ExecutableOtherTeam", Shape::executable, signedBy(&SigningFixture::otherTeam), errSecSuccess, errSecCSReqFailed},
    {"ExecutableOtherIdentifier", Shape::executable, signedBy(&SigningFixture::trusted, "com.velkora.other"),
     errSecSuccess, errSecCSReqFailed},
    {"ExecutableUntrustedAnchor", Shape::executable, signedBy(&SigningFixture::untrusted), errSecSuccess,
     errSecCSReqFailed},
    {"ExecutableCodeModified", Shape::executable,
     signedThen([](const std::filesystem::path& code) { SigningFixture::flipByte(code, 100); }),
     errSecCSSignatureFailed, errSecCSSignatureFailed},
    {"ExecutableIdentifierForged", Shape::executable,
     [](SigningFixture& fixture, const std::filesystem::path& code) {
         CodeSigner::sign(code, "com.velkora.apq", fixture.trusted());
         SigningFixture::replaceText(code, "com.velkora.apq", "com.velkora.app");
     },
     errSecCSSignatureFailed, errSecCSSignatureFailed},
    {"ExecutableDataAppended", Shape::executable,
     signedThen([](const std::filesystem::path& code) {
         std::ofstream(code, std::ios::app | std::ios::binary) << "extra";
     }),
     errSecCSUnsigned, errSecCSUnsigned},

    {"BundleSignedByTeam", Shape::bundle, signedBy(&SigningFixture::trusted), errSecSuccess, errSecSuccess},
    {"BundleUnsigned", Shape::bundle, [](auto&, auto&) {}, errSecCSUnsigned, errSecCSUnsigned},
    {"BundleAdHoc", Shape::bundle,
     [](auto&, const std::filesystem::path& code) { CodeSigner::signAdHoc(code, "com.velkora.app"); },
     errSecSuccess, errSecCSReqFailed},
    {"BundleOtherTeam", Shape::bundle, signedBy(&SigningFixture::otherTeam), errSecSuccess, errSecCSReqFailed},
    {"BundleOtherIdentifier", Shape::bundle, signedBy(&SigningFixture::trusted, "com.velkora.other"), errSecSuccess,
     errSecCSReqFailed},
    {"BundleUntrustedAnchor", Shape::bundle, signedBy(&SigningFixture::untrusted), errSecSuccess, errSecCSReqFailed},
    {"BundleMainExecutableModified", Shape::bundle,
     signedThen([](const std::filesystem::path& code) {
         SigningFixture::flipByte(code / "Contents/MacOS/Tallowmere", 200);
     }),
     errSecCSSignatureFailed, errSecCSSignatureFailed},
    {"BundleMainExecutableRemoved", Shape::bundle,
     signedThen([](const std::filesystem::path& code) {
         std::filesystem::remove(code / "Contents/MacOS/Tallowmere");
     }),
     errSecCSBadResource, errSecCSBadResource},
    {"BundleResourceModified", Shape::bundle,
     signedThen([](const std::filesystem::path& code) {
         SigningFixture::flipByte(code / "Contents/Resources/en.lproj/Localizable.strings", 0);
     }),
     errSecCSBadResource, errSecCSBadResource},
    {"BundleFileAdded", Shape::bundle,
     signedThen([](const std::filesystem::path& code) {
         SigningFixture::writeFile(code / "Contents/Resources/extra.txt", "x");
     }),
     errSecCSBadResource, errSecCSBadResource},
    {"BundleFileRemoved", Shape::bundle,
     signedThen([](const std::filesystem::path& code) { std::filesystem::remove(code / "Contents/Info.plist"); }),
     errSecCSBadResource, errSecCSBadResource},
    {"BundleNestedExecutableModified", Shape::bundle,
     signedThen([](const std::filesystem::path& code) {
         SigningFixture::flipByte(code / "Contents/Library/LaunchDaemons/VelkoraDaemon", 300);
     }),
     errSecCSBadResource, errSecCSBadResource},
    {"BundleSealForged", Shape::bundle,
     signedThen([](const std::filesystem::path& code) {
         SigningFixture::replaceText(code / "Contents/_CodeSignature/CodeResources", "\"com.velkora.app\"",
                                   "\"com.velkora.apq\"");
     }),
     errSecCSSignatureFailed, errSecCSSignatureFailed},
    {"BundleChainGraftedOntoTrustedAnchor", Shape::bundle,
     [](SigningFixture& fixture, const std::filesystem::path& code) {
         // A leaf from an untrusted anchor presented under the trusted anchor's certificate.
         CodeSigner::sign(code, "com.velkora.app", fixture.untrusted());
         const nlohmann::ordered_json untrustedAnchor = fixture.untrusted().anchorCertificate().toJson();
         const nlohmann::ordered_json trustedAnchor = fixture.trusted().anchorCertificate().toJson();
         const std::filesystem::path seal = code / "Contents/_CodeSignature/CodeResources";
         for (const char* field : {"publicKey", "signature"}) {
             SigningFixture::replaceText(seal, untrustedAnchor[field].get<std::string>(),
                                         trustedAnchor[field].get<std::string>());
         }
     },
     errSecCSSignatureFailed, errSecCSSignatureFailed},
    {"BundleSealNotJson", Shape::bundle,
     signedThen([](const std::filesystem::path& code) {
         SigningFixture::writeFile(code / "Contents/_CodeSignature/CodeResources", "not a seal");
     }),
     errSecCSSignatureFailed, errSecCSSignatureFailed},
};

TEST_P(CodeValidity, ReportsTheStatusOfEachSigningState)
{
    const ValidityCase& testCase = GetParam();
    const std::filesystem::path code =
        testCase.shape == Shape::bundle ? makeBundle("Tallowmere") : makeExecutable("VelkoraDaemon");
    testCase.prepare(*this, code);

    EXPECT_EQ(check(code), testCase.valid) << lastErrors;
    EXPECT_EQ(check(code, requirementFor(appIdentifier, team())), testCase.withRequirement) << lastErrors;
    if (testCase.withRequirement != errSecSuccess) {
        EXPECT_FALSE(lastErrors.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(SigningStates, CodeValidity, ::testing::ValuesIn(cases),
                         [](const ::testing::TestParamInfo<ValidityCase>& info) { return info.param.name; });

class CodeLocation : public SigningFixture {};

TEST_F(CodeLocation, MainExecutablePathStandsForItsBundle)
{
    const std::filesystem::path bundle = makeBundle("Tallowmere");
    CodeSigner::sign(bundle, appIdentifier, trusted());

    SecStaticCodeRef code;
    ASSERT_EQ(SecStaticCodeCreateWithPath(bundle / "Contents/MacOS/Tallowmere", kSecCSDefaultFlags, &code),
              errSecSuccess);
    std::filesystem::path path;
    ASSERT_EQ(SecCodeCopyPath(code, kSecCSDefaultFlags, &path), errSecSuccess);
    EXPECT_EQ(path, bundle);
    EXPECT_EQ(code->format(), SecStaticCode::Format::bundle);

    ASSERT_EQ(SecStaticCodeCreateWithPath(bundle.string() + "/", kSecCSDefaultFlags, &code), errSecSuccess);
    EXPECT_EQ(code->path(), bundle);
}

TEST_F(CodeLocation, NestedDaemonIsCheckedAsItsOwnCode)
{
    const std::filesystem::path bundle = makeBundle("Tallowmere");
    CodeSigner::sign(bundle, appIdentifier, trusted());
    const std::filesystem::path daemon = bundle / "Contents/Library/LaunchDaemons/VelkoraDaemon";

    EXPECT_EQ(check(daemon, requirementFor(daemonIdentifier, team())), errSecSuccess) << lastErrors;
    EXPECT_EQ(check(daemon, requirementFor(appIdentifier, team())), errSecCSReqFailed);
    EXPECT_EQ(check(bundle, requirementFor(appIdentifier, team())), errSecSuccess) << lastErrors;
}

TEST_F(CodeLocation, ResignedCodeIsValidAgain)
{
    const std::filesystem::path bundle = makeBundle("Tallowmere");
    CodeSigner::sign(bundle, appIdentifier, otherTeam());
    writeFile(bundle / "Contents/Resources/added.txt", "added before the second signature");
    CodeSigner::sign(bundle, appIdentifier, trusted());
    EXPECT_EQ(check(bundle, requirementFor(appIdentifier, team())), errSecSuccess) << lastErrors;

    const std::filesystem::path executable = makeExecutable("tool");
    CodeSigner::signAdHoc(executable, "tool");
    CodeSigner::sign(executable, "tool", trusted());
    EXPECT_EQ(check(executable, requirementFor("tool", team())), errSecSuccess) << lastErrors;
}

TEST_F(CodeLocation, PathsThatAreNoCode)
{
    SecStaticCodeRef code;
    EXPECT_EQ(SecStaticCodeCreateWithPath(root() / "missing", kSecCSDefaultFlags, &code), errSecCSStaticCodeNotFound);
    EXPECT_EQ(SecStaticCodeCreateWithPath(root() / "work", kSecCSDefaultFlags, &code), errSecCSBadObjectFormat);
    EXPECT_EQ(code, nullptr);
    EXPECT_EQ(SecStaticCodeCreateWithPath(GUEST_EXECUTABLE, 1, &code), errSecCSInvalidFlags);
    EXPECT_EQ(SecStaticCodeCheckValidity(nullptr, kSecCSDefaultFlags, nullptr), errSecCSInvalidObjectRef);
    EXPECT_THROW(CodeSigner::sign(root() / "work", appIdentifier, trusted()), platform::SecurityError);
}

TEST_F(CodeLocation, BundleWithoutOneMainExecutableCannotBeSigned)
{
    const std::filesystem::path bundle = makeBundle("Tallowmere");
    std::filesystem::copy_file(GUEST_EXECUTABLE, bundle / "Contents/MacOS/Second");
    EXPECT_THROW(CodeSigner::sign(bundle, appIdentifier, trusted()), platform::SecurityError);
    EXPECT_FALSE(std::filesystem::exists(bundle / "Contents/_CodeSignature/CodeResources"));
}

TEST_F(CodeLocation, SigningInformationNamesIdentifierTeamAndChain)
{
    const std::filesystem::path bundle = makeBundle("Tallowmere");
    CodeSigner::sign(bundle, appIdentifier, trusted());
    SecStaticCodeRef code;
    ASSERT_EQ(SecStaticCodeCreateWithPath(bundle, kSecCSDefaultFlags, &code), errSecSuccess);
    SecSigningInformation information;
    ASSERT_EQ(SecCodeCopySigningInformation(code, kSecCSDefaultFlags, &information), errSecSuccess);
    EXPECT_EQ(information.identifier, appIdentifier);
    EXPECT_EQ(information.teamIdentifier, team());
    EXPECT_EQ(information.authorities,
              (std::vector<std::string>{trusted().leafCertificate().commonName,
                                        trusted().anchorCertificate().commonName}));

    const std::filesystem::path executable = makeExecutable("tool");
    ASSERT_EQ(SecStaticCodeCreateWithPath(executable, kSecCSDefaultFlags, &code), errSecSuccess);
    EXPECT_EQ(SecCodeCopySigningInformation(code, kSecCSDefaultFlags, &information), errSecCSUnsigned);
}

}  // namespace
