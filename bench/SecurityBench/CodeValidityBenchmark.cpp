// What checking a signature costs: the daemon pays it for every connecting
// client (guest lookup by pid, requirement, validity of the running bundle),
// the application for its own bundle and the installed copy.
//
// The bundle is sized like the application's: a 4 MiB main executable (a
// real program with padding appended, so that it runs), a 1 MiB nested
// daemon and 40 small resources.

#include "Security/CodeSigner.h"
#include "Security/SecCode.h"
#include "Security/SigningIdentity.h"
#include "Security/TrustStore.h"
#include "SigningTeam/SigningTeam.h"

#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <random>

extern char** environ;

namespace {

const std::string requirementText = "anchor apple generic and identifier \"com.velkora.app\" and certificate "
                                    "leaf[subject.OU] = \"" +
                                    std::string(velkora::signingTeamIdentifier) + "\"";

void appendRandom(const std::filesystem::path& file, size_t size)
{
    std::mt19937 random(42);
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(random());
    }
    std::ofstream(file, std::ios::app | std::ios::binary) << bytes;
}

// A temporary simulated root holding one signed bundle, and a process running its main executable.
class SignedBundle {
public:
    SignedBundle()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "security-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        root_ = pattern;
        setenv("SIMMAC_ROOT", root_.c_str(), 1);
        const auto identity =
            platform::SigningIdentity::create(root_ / "identity", std::string(velkora::signingTeamIdentifier));
        platform::TrustStore(root_).install(identity.anchorCertificate().publicKey);

        bundle_ = root_ / "Applications/Tallowmere.app";
        const std::filesystem::path contents = bundle_ / "Contents";
        std::filesystem::create_directories(contents / "MacOS");
        std::filesystem::create_directories(contents / "Library/LaunchDaemons");
        std::filesystem::create_directories(contents / "Resources");
        std::filesystem::copy_file("/usr/bin/sleep", contents / "MacOS/Velkora");
        appendRandom(contents / "MacOS/Velkora", 4 << 20);
        std::filesystem::copy_file("/usr/bin/sleep", contents / "Library/LaunchDaemons/VelkoraDaemon");
        appendRandom(contents / "Library/LaunchDaemons/VelkoraDaemon", 1 << 20);
        platform::CodeSigner::sign(contents / "Library/LaunchDaemons/VelkoraDaemon", "VelkoraDaemon", identity);
        for (int index = 0; index < 40; ++index) {
            appendRandom(contents / "Resources" / ("resource" + std::to_string(index)), 4096);
        }
        platform::CodeSigner::sign(bundle_, "com.velkora.app", identity);

        const std::string program = (contents / "MacOS/Velkora").string();
        std::string seconds = "600";
        char* argv[] = {const_cast<char*>(program.c_str()), seconds.data(), nullptr};
        if (posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv, environ) != 0) {
            std::abort();
        }
    }

    ~SignedBundle()
    {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        std::filesystem::remove_all(root_);
    }

    const std::filesystem::path& bundle() const { return bundle_; }
    pid_t pid() const { return pid_; }

private:
    std::filesystem::path root_;
    std::filesystem::path bundle_;
    pid_t pid_ = -1;
};

void ClientCheckByPid(benchmark::State& state)
{
    const SignedBundle signedBundle;
    for (auto _ : state) {
        SecCodeRef code;
        SecRequirementRef requirement;
        OSStatus status = SecCodeCopyGuestWithAttributes(nullptr, {{kSecGuestAttributePid, signedBundle.pid()}},
                                                         kSecCSDefaultFlags, &code);
        if (status == errSecSuccess) {
            status = SecRequirementCreateWithString(requirementText, kSecCSDefaultFlags, &requirement);
        }
        if (status == errSecSuccess) {
            status = SecCodeCheckValidity(code, kSecCSDefaultFlags, requirement);
        }
        if (status != errSecSuccess) {
            state.SkipWithError("the running bundle did not pass");
            break;
        }
    }
}
BENCHMARK(ClientCheckByPid)->Unit(benchmark::kMillisecond);

void StaticBundleCheck(benchmark::State& state)
{
    const SignedBundle signedBundle;
    SecRequirementRef requirement;
    SecRequirementCreateWithString(requirementText, kSecCSDefaultFlags, &requirement);
    for (auto _ : state) {
        SecStaticCodeRef code;
        if (SecStaticCodeCreateWithPath(signedBundle.bundle(), kSecCSDefaultFlags, &code) != errSecSuccess ||
            SecStaticCodeCheckValidity(code, kSecCSDefaultFlags, requirement) != errSecSuccess) {
            state.SkipWithError("the bundle did not pass");
            break;
        }
    }
}
BENCHMARK(StaticBundleCheck)->Unit(benchmark::kMillisecond);

void RequirementParsing(benchmark::State& state)
{
    for (auto _ : state) {
        SecRequirementRef requirement;
        benchmark::DoNotOptimize(SecRequirementCreateWithString(requirementText, kSecCSDefaultFlags, &requirement));
    }
}
BENCHMARK(RequirementParsing);

}  // namespace
