#include "BundledTestRun.h"

#include "Foundation/Bundle.h"
#include "Security/CodeSigner.h"
#include "Security/SigningIdentity.h"
#include "Security/TrustStore.h"

#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace BundledTestRun {

namespace fs = std::filesystem;

namespace {

// Runs `command` with SIMMAC_ROOT set to `root` (when given); its standard
// output comes back when `output` is given, otherwise it goes where ours goes.
int run(const std::vector<std::string>& command, const fs::path& root, std::string* output)
{
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, "SIMMAC_ROOT=", 12) != 0) {
            environment.emplace_back(*entry);
        }
    }
    if (!root.empty()) {
        environment.push_back("SIMMAC_ROOT=" + root.string());
    }
    std::vector<char*> argv;
    for (const std::string& argument : command) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);

    int pipe[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output != nullptr) {
        if (::pipe2(pipe, O_CLOEXEC) != 0) {
            return -1;
        }
        posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
    }
    pid_t child = -1;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (output != nullptr) {
        ::close(pipe[1]);
        char buffer[4096];
        for (ssize_t got; (got = ::read(pipe[0], buffer, sizeof buffer)) != 0;) {
            if (got < 0 && errno != EINTR) {
                break;
            }
            if (got > 0) {
                output->append(buffer, static_cast<std::size_t>(got));
            }
        }
        ::close(pipe[0]);
    }
    if (spawned != 0) {
        std::fprintf(stderr, "cannot start %s: %s\n", argv[0], std::strerror(spawned));
        return -1;
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Suite.Test names from --gtest_list_tests output.
std::vector<std::string> testNames(const std::string& listing)
{
    std::vector<std::string> names;
    std::istringstream lines(listing);
    std::string suite;
    for (std::string line; std::getline(lines, line);) {
        const std::size_t start = line.find_first_not_of(' ');
        if (start == std::string::npos) {
            continue;
        }
        const std::string name = line.substr(start, line.find_first_of(" #", start) - start);
        if (start == 0) {
            suite = name;
        } else {
            names.push_back(suite + name);
        }
    }
    return names;
}

int runInsideBundle(const std::string& test, const std::vector<std::string>& arguments)
{
    std::string pattern = (fs::temp_directory_path() / "velkora-model-e2e.XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::fprintf(stderr, "mkdtemp failed: %s\n", std::strerror(errno));
        return -1;
    }
    const fs::path root = pattern;
    const fs::path bundle = root / "Applications/Tallowmere.app";
    int result = -1;
    try {
        fs::create_directories(bundle.parent_path());
        fs::copy(VELKORA_APP_BUNDLE, bundle, fs::copy_options::recursive);
        fs::copy_file(fs::read_symlink("/proc/self/exe"), bundle / "Contents/MacOS/Velkora",
                      fs::copy_options::overwrite_existing);
        const auto maker = platform::SigningIdentity::load(DEVELOPMENT_IDENTITY);
        platform::TrustStore(root).install(maker.anchorCertificate().publicKey);
        platform::CodeSigner::sign(bundle, "com.velkora.app", maker);

        std::vector<std::string> command{(bundle / "Contents/MacOS/Velkora").string()};
        for (const std::string& argument : arguments) {
            if (argument.rfind("--gtest_filter=", 0) != 0) {
                command.push_back(argument);
            }
        }
        command.push_back("--gtest_filter=" + test);
        result = run(command, root, nullptr);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: cannot prepare the bundle: %s\n", test.c_str(), error.what());
    }
    std::error_code ignored;
    fs::remove_all(root, ignored);
    return result;
}

// Whether this process is a copy inside the bundle.
bool isInsideBundle()
{
    return platform::Bundle::main().bundleIdentifier() == "com.velkora.app";
}

// Lists the tests that `arguments` (this program's, without argument 0)
// select and runs each inside the bundle.
int runEachInsideBundle(const std::vector<std::string>& arguments)
{
    std::vector<std::string> listCommand{fs::read_symlink("/proc/self/exe").string(), "--gtest_list_tests"};
    for (const std::string& argument : arguments) {
        if (argument.rfind("--gtest_filter=", 0) == 0) {
            listCommand.push_back(argument);
        }
    }
    std::string listing;
    if (run(listCommand, {}, &listing) != 0) {
        std::fprintf(stderr, "cannot list the tests:\n%s", listing.c_str());
        return 1;
    }
    const std::vector<std::string> tests = testNames(listing);
    if (tests.empty()) {
        std::fprintf(stderr, "no test matches\n");
        return 1;
    }
    int failed = 0;
    int passed = 0;
    for (const std::string& test : tests) {
        if (runInsideBundle(test, arguments) == 0) {
            ++passed;
        } else {
            ++failed;
        }
    }
    if (passed + failed > 1) {
        std::printf("model end to end: %d of %d tests failed\n", failed, passed + failed);
    }
    return failed == 0 ? 0 : 1;
}

}  // namespace

int run(int argc, char** argv, int (*runHere)(int argc, char** argv))
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const bool listing = std::find(arguments.begin(), arguments.end(), "--gtest_list_tests") != arguments.end();
    if (listing || isInsideBundle()) {
        return runHere(argc, argv);
    }
    return runEachInsideBundle(arguments);
}

}  // namespace BundledTestRun
