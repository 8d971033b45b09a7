// One Shortcuts action as a user runs it: the whole `shortcuts run
// GetChargeLimitIntent` process, from its start to its exit, against
// Tallowmere running on a simulated laptop with its helper approved. Prints
// the median and the 99th percentile of 200 runs as the counters p50_ms and
// p99_ms; bench/targets holds the 99th percentile to at most 50 ms. A run
// that fails ends the benchmark with an error.
//
// The application is installed as it ships: its two executables without
// their debug information, signed again. The daemon checks the whole bundle
// of every client that connects, and each run of an action connects anew, so
// the build's debug information (some 100 MB) would be hashed at every run.

#include "BenchmarkSupport/BenchmarkMain.h"
#include "Security/CodeSigner.h"
#include "Security/SigningIdentity.h"
#include "Security/TrustStore.h"
#include "TestSupport/SimmacProcess.h"

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int runs = 200;
constexpr int warmUpRuns = 5;

// Runs `arguments` with stdout and stderr to /dev/null; its exit status, or -1.
int runQuietly(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = -1;
    const int error = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        return -1;
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

pid_t startApplication(const fs::path& executable)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("LANGUAGE", "en", 1);
    const std::string path = executable.string();
    char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

template <typename Condition>
bool eventually(Condition condition)
{
    const auto deadline = Clock::now() + 20s;
    while (Clock::now() < deadline) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

double percentile(std::vector<double> sorted, double fraction)
{
    const auto rank = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(sorted.size()))) - 1;
    return sorted[std::min(rank, sorted.size() - 1)];
}

void ShortcutsRun(benchmark::State& state)
{
    testsupport::SimmacProcess::Options options;
    if (::geteuid() != 0) {
        options.privilegedUid = ::geteuid();
    }
    testsupport::SimmacProcess simmac(options);
    platform::TrustStore(simmac.root())
        .install(platform::SigningIdentity::load(DEVELOPMENT_IDENTITY).anchorCertificate().publicKey);
    const fs::path bundle = simmac.root() / "Applications/Tallowmere.app";
    fs::create_directories(bundle.parent_path());
    fs::copy(VELKORA_APP_BUNDLE, bundle, fs::copy_options::recursive);
    const fs::path daemon = bundle / "Contents/Library/LaunchDaemons/VelkoraDaemon";
    if (runQuietly({"/usr/bin/strip", "--strip-debug", (bundle / "Contents/MacOS/Velkora").string()}) != 0 ||
        runQuietly({"/usr/bin/strip", "--strip-debug", daemon.string()}) != 0) {
        state.SkipWithError("/usr/bin/strip could not strip the bundle's executables");
        return;
    }
    const auto maker = platform::SigningIdentity::load(DEVELOPMENT_IDENTITY);
    platform::CodeSigner::sign(daemon, "VelkoraDaemon", maker);
    platform::CodeSigner::sign(bundle, "com.velkora.app", maker);
    const fs::path tool = simmac.root() / "usr/bin/shortcuts";
    fs::create_symlink(SHORTCUTS_TOOL, tool);

    const struct RunningApplication {
        pid_t pid;
        ~RunningApplication()
        {
            ::kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    } application{startApplication(bundle / "Contents/MacOS/Velkora")};
    const std::vector<std::string> command{tool.string(), "run", "GetChargeLimitIntent"};
    // The helper is installed as the window's Install button does, then approved.
    const bool ready =
        simmac.simmacctl({"register", bundle.string()}).exitCode == 0 &&
        eventually([&] { return simmac.simmacctl({"approve", "com.velkora.charging-helper"}).exitCode == 0; }) &&
        eventually([&] { return runQuietly(command) == 0; });
    if (!ready) {
        state.SkipWithError("the application did not come up with its helper approved");
        return;
    }
    for (int run = 0; run < warmUpRuns; ++run) {
        runQuietly(command);
    }

    std::vector<double> milliseconds;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (runQuietly(command) != 0) {
            state.SkipWithError("a run of shortcuts failed");
            return;
        }
        milliseconds.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    state.counters["p50_ms"] = percentile(milliseconds, 0.50);
    state.counters["p99_ms"] = percentile(milliseconds, 0.99);
    state.counters["max_ms"] = milliseconds.back();
}
BENCHMARK(ShortcutsRun)->Iterations(runs)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    return velkora::bench::runBenchmarks(argc, argv);
}
