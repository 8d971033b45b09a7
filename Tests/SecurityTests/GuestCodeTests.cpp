#include "Security/CodeSigner.h"
#include "Security/TrustStore.h"
#include "SigningFixture.h"
#include "TestProcess.h"

#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>

namespace {

using platform::CodeSigner;

class GuestCode : public SigningFixture {
public:
    // The check the daemon makes of a connecting client.
    OSStatus checkProcess(pid_t pid, const std::string& requirementText, SecCodeRef* lookedUp = nullptr)
    {
        SecCodeRef code;
        if (const OSStatus status =
                SecCodeCopyGuestWithAttributes(nullptr, {{kSecGuestAttributePid, pid}}, kSecCSDefaultFlags, &code);
            status != errSecSuccess) {
            return status;
        }
        if (lookedUp != nullptr) {
            *lookedUp = code;
        }
        SecRequirementRef requirement;
        EXPECT_EQ(SecRequirementCreateWithString(requirementText, kSecCSDefaultFlags, &requirement), errSecSuccess);
        lastErrors.clear();
        return SecCodeCheckValidityWithErrors(code, kSecCSDefaultFlags, requirement, &lastErrors);
    }

    std::string appRequirement() const { return requirementFor(appIdentifier, team()); }

    // A signed copy of the guest bundle that the test may change.
    std::filesystem::path signedBundleCopy()
    {
        const std::filesystem::path bundle = makeBundle("Client");
        CodeSigner::sign(bundle, appIdentifier, trusted());
        return bundle;
    }
};

TEST_F(GuestCode, BundleBuiltAndSignedByTheBuildIsAccepted)
{
    platform::TrustStore(root()).install(
        platform::SigningIdentity::load(DEVELOPMENT_IDENTITY).anchorCertificate().publicKey);
    TestProcess guest = TestProcess::start(std::filesystem::path(GUEST_BUNDLE) / "Contents/MacOS/SecurityTestGuest");

    SecCodeRef code;
    EXPECT_EQ(checkProcess(guest.pid(), appRequirement(), &code), errSecSuccess) << lastErrors;
    ASSERT_NE(code, nullptr);
    std::filesystem::path path;
    ASSERT_EQ(SecCodeCopyPath(code, kSecCSDefaultFlags, &path), errSecSuccess);
    EXPECT_EQ(path, std::filesystem::path(GUEST_BUNDLE));
    EXPECT_EQ(code->format(), SecStaticCode::Format::bundle);
    EXPECT_EQ(code->pid(), guest.pid());
}

TEST_F(GuestCode, BuildIdentityIsRefusedWhereItsAnchorIsNotTrusted)
{
    TestProcess guest = TestProcess::start(std::filesystem::path(GUEST_BUNDLE) / "Contents/MacOS/SecurityTestGuest");
    EXPECT_EQ(checkProcess(guest.pid(), appRequirement()), errSecCSReqFailed);
    EXPECT_NE(lastErrors.find("not trusted"), std::string::npos) << lastErrors;
}

TEST_F(GuestCode, LoneExecutableIsItsOwnCode)
{
    const std::filesystem::path executable = makeExecutable("VelkoraDaemon");
    CodeSigner::sign(executable, daemonIdentifier, trusted());
    TestProcess guest = TestProcess::start(executable);

    SecCodeRef code;
    EXPECT_EQ(checkProcess(guest.pid(), requirementFor(daemonIdentifier, team()), &code), errSecSuccess)
        << lastErrors;
    ASSERT_NE(code, nullptr);
    EXPECT_EQ(code->path(), executable);
    EXPECT_EQ(code->format(), SecStaticCode::Format::executable);
}

TEST_F(GuestCode, ClientsSignedOtherwiseAreRefused)
{
    struct Client {
        const char* name;
        std::function<void(const std::filesystem::path&)> sign;
        OSStatus expected;
    };
    const std::vector<Client> clients = {
        {"unsigned", [](const std::filesystem::path&) {}, errSecCSUnsigned},
        {"ad hoc", [](const std::filesystem::path& bundle) { CodeSigner::signAdHoc(bundle, appIdentifier); },
         errSecCSReqFailed},
        {"other team", [this](const std::filesystem::path& bundle) { CodeSigner::sign(bundle, appIdentifier, otherTeam()); },
         errSecCSReqFailed},
        {"other identifier",
         [this](const std::filesystem::path& bundle) { CodeSigner::sign(bundle, "com.velkora.other", trusted()); },
         errSecCSReqFailed},
        {"modified after signing",
         [this](const std::filesystem::path& bundle) {
             CodeSigner::sign(bundle, appIdentifier, trusted());
             flipByte(bundle / "Contents/MacOS/Client", 150);
         },
         errSecCSSignatureFailed},
    };
    for (const Client& client : clients) {
        SCOPED_TRACE(client.name);
        const std::filesystem::path bundle = makeBundle("Client");
        client.sign(bundle);
        TestProcess guest = TestProcess::start(bundle / "Contents/MacOS/Client");
        EXPECT_EQ(checkProcess(guest.pid(), appRequirement()), client.expected) << lastErrors;
        guest.stop();
        std::filesystem::remove_all(bundle);
    }
}

TEST_F(GuestCode, FileAddedToTheBundleWhileRunningIsNoticed)
{
    const std::filesystem::path bundle = signedBundleCopy();
    TestProcess guest = TestProcess::start(bundle / "Contents/MacOS/Client");
    ASSERT_EQ(checkProcess(guest.pid(), appRequirement()), errSecSuccess) << lastErrors;

    writeFile(bundle / "Contents/Resources/injected.txt", "x");
    EXPECT_EQ(checkProcess(guest.pid(), appRequirement()), errSecCSBadResource);
}

TEST_F(GuestCode, RunningImageMustBeTheOneTheBundleSeals)
{
    // The process keeps running its old image after the bundle on disk got a
    // new main executable and a fresh, valid signature: the process is not
    // the code that was signed.
    const std::filesystem::path bundle = signedBundleCopy();
    TestProcess guest = TestProcess::start(bundle / "Contents/MacOS/Client");

    const std::filesystem::path replacement = bundle / "Contents/MacOS/Client.new";
    std::filesystem::copy_file(GUEST_EXECUTABLE, replacement);
    std::ofstream(replacement, std::ios::app | std::ios::binary) << "another build";
    std::filesystem::rename(replacement, bundle / "Contents/MacOS/Client");
    CodeSigner::sign(bundle, appIdentifier, trusted());
    ASSERT_EQ(check(bundle, appRequirement()), errSecSuccess) << lastErrors;

    EXPECT_EQ(checkProcess(guest.pid(), appRequirement()), errSecCSSignatureFailed);
}

// Attached to a process as a debugger is, for as long as it lives; stops the
// process while it works on it.
class Tracer {
public:
    explicit Tracer(pid_t pid) : pid_(pid) { attached_ = ptrace(PTRACE_SEIZE, pid, nullptr, nullptr) == 0; }
    ~Tracer()
    {
        if (attached_ && stop()) {
            ptrace(PTRACE_DETACH, pid_, nullptr, nullptr);
        }
    }

    bool attached() const { return attached_; }

    // Reads a word of the process's code at `address` and writes it back
    // unchanged: the code does the same, but its page is now a private copy.
    bool rewriteCodeAt(std::uintptr_t address)
    {
        if (!stop()) {
            return false;
        }
        errno = 0;
        const long word = ptrace(PTRACE_PEEKTEXT, pid_, reinterpret_cast<void*>(address), nullptr);
        const bool rewritten =
            errno == 0 && ptrace(PTRACE_POKETEXT, pid_, reinterpret_cast<void*>(address), word) == 0;
        ptrace(PTRACE_CONT, pid_, nullptr, nullptr);
        stopped_ = false;
        return rewritten;
    }

private:
    bool stop()
    {
        if (stopped_) {
            return true;
        }
        int status = 0;
        stopped_ = ptrace(PTRACE_INTERRUPT, pid_, nullptr, nullptr) == 0 && waitpid(pid_, &status, __WALL) == pid_;
        return stopped_;
    }

    pid_t pid_;
    bool attached_ = false;
    bool stopped_ = false;
};

// The start of the first executable mapping of `file` in process `pid`.
std::uintptr_t codeAddress(pid_t pid, const std::string& file)
{
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    std::string line;
    while (std::getline(maps, line)) {
        std::istringstream fields(line);
        std::string range;
        std::string permissions;
        fields >> range >> permissions;
        if (permissions.size() > 2 && permissions[2] == 'x' && line.ends_with(file)) {
            return std::stoull(range.substr(0, range.find('-')), nullptr, 16);
        }
    }
    return 0;
}

// The signed code must be the only code in the process, as its signer made it.
TEST_F(GuestCode, AProcessRunningAnythingButItsSignedCodeIsRefused)
{
    const std::filesystem::path bundle = signedBundleCopy();
    const std::filesystem::path program = bundle / "Contents/MacOS/Client";
    {
        TestProcess untouched = TestProcess::start(program);
        EXPECT_EQ(checkProcess(untouched.pid(), appRequirement()), errSecSuccess) << lastErrors;
    }
    {
        setenv("LD_BIND_NOW", "1", 1);
        TestProcess loaderVariable = TestProcess::start(program);
        unsetenv("LD_BIND_NOW");
        EXPECT_EQ(checkProcess(loaderVariable.pid(), appRequirement()), errSecCSGuestInvalid);
        EXPECT_NE(lastErrors.find("loader variable LD_BIND_NOW"), std::string::npos) << lastErrors;
    }
    {
        TestProcess plugIn = TestProcess::start(program, {FOREIGN_LIBRARY});
        EXPECT_EQ(checkProcess(plugIn.pid(), appRequirement()), errSecCSGuestInvalid);
        EXPECT_NE(lastErrors.find(std::string("runs code from ") + FOREIGN_LIBRARY), std::string::npos)
            << lastErrors;
    }
    {
        TestProcess traced = TestProcess::start(program);
        Tracer tracer(traced.pid());
        ASSERT_TRUE(tracer.attached()) << std::strerror(errno);
        EXPECT_EQ(checkProcess(traced.pid(), appRequirement()), errSecCSGuestInvalid);
        EXPECT_NE(lastErrors.find("is traced by process " + std::to_string(getpid())), std::string::npos)
            << lastErrors;
    }
    {
        TestProcess patched = TestProcess::start(program);
        {
            Tracer tracer(patched.pid());
            ASSERT_TRUE(tracer.rewriteCodeAt(codeAddress(patched.pid(), "Contents/MacOS/Client")));
        }
        EXPECT_EQ(checkProcess(patched.pid(), appRequirement()), errSecCSGuestInvalid);
        EXPECT_NE(lastErrors.find("runs modified code"), std::string::npos) << lastErrors;
    }
}

TEST_F(GuestCode, ProcessThatExitedAfterLookupIsNoCode)
{
    const std::filesystem::path bundle = signedBundleCopy();
    TestProcess guest = TestProcess::start(bundle / "Contents/MacOS/Client");
    SecCodeRef code;
    ASSERT_EQ(SecCodeCopyGuestWithAttributes(nullptr, {{kSecGuestAttributePid, guest.pid()}}, kSecCSDefaultFlags,
                                             &code),
              errSecSuccess);
    guest.stop();
    EXPECT_EQ(SecCodeCheckValidity(code, kSecCSDefaultFlags, nullptr), errSecCSNoSuchCode);
}

TEST_F(GuestCode, LookupsThatNameNoProcess)
{
    struct Lookup {
        const char* name;
        SecGuestAttributes attributes;
        OSStatus expected;
    };
    const std::vector<Lookup> lookups = {
        {"pid 0", {{kSecGuestAttributePid, 0}}, errSecCSInvalidAttributeValues},
        {"negative pid", {{kSecGuestAttributePid, -1}}, errSecCSInvalidAttributeValues},
        {"pid beyond range", {{kSecGuestAttributePid, std::int64_t{1} << 40}}, errSecCSInvalidAttributeValues},
        {"no such process", {{kSecGuestAttributePid, 1 << 30}}, errSecCSNoSuchCode},
        {"no pid", {}, errSecCSUnsupportedGuestAttributes},
        {"unknown attribute", {{kSecGuestAttributePid, getpid()}, {"audit", 1}}, errSecCSUnsupportedGuestAttributes},
    };
    for (const Lookup& lookup : lookups) {
        SCOPED_TRACE(lookup.name);
        SecCodeRef code;
        EXPECT_EQ(SecCodeCopyGuestWithAttributes(nullptr, lookup.attributes, kSecCSDefaultFlags, &code),
                  lookup.expected);
        EXPECT_EQ(code, nullptr);
    }

    SecCodeRef self;
    ASSERT_EQ(SecCodeCopyGuestWithAttributes(nullptr, {{kSecGuestAttributePid, getpid()}}, kSecCSDefaultFlags, &self),
              errSecSuccess);
    SecCodeRef guest;
    EXPECT_EQ(SecCodeCopyGuestWithAttributes(self, {{kSecGuestAttributePid, getpid()}}, kSecCSDefaultFlags, &guest),
              errSecCSNotAHost);
    EXPECT_EQ(SecCodeCheckValidity(self, kSecCSDefaultFlags, nullptr), errSecCSUnsigned);
}

}  // namespace
