#include "TestSupport/SimmacProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <thread>

#include "Simulator/SimmacConnection.h"

extern char** environ;

namespace testsupport {

namespace {

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream input(path);
    std::stringstream text;
    text << input.rdbuf();
    return text.str();
}

// Starts `arguments` with stdout and stderr sent to the given files (emptied
// first unless `append`), in this process's environment with SIMMAC_ROOT set
// to `root`.
pid_t spawn(const std::vector<std::string>& arguments, const std::filesystem::path& output,
            const std::filesystem::path& errorOutput, const std::filesystem::path& root, bool append = false)
{
    const int mode = O_WRONLY | O_CREAT | (append ? O_APPEND : O_TRUNC);
    std::vector<std::string> environment{"SIMMAC_ROOT=" + root.string()};
    for (char** variable = environ; *variable != nullptr; ++variable) {
        if (!std::string_view(*variable).starts_with("SIMMAC_ROOT=")) {
            environment.emplace_back(*variable);
        }
    }
    std::vector<char*> envp;
    for (std::string& variable : environment) {
        envp.push_back(variable.data());
    }
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), mode, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorOutput.c_str(), mode, 0644);
    // Nothing else of the test process: a simmac that outlives a crashed test
    // must not hold the test runner's pipes open.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        throw std::runtime_error("cannot start " + arguments[0] + ": " + std::strerror(error));
    }
    return pid;
}

bool exited(pid_t pid, int& status, std::chrono::milliseconds within)
{
    const auto deadline = std::chrono::steady_clock::now() + within;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || done < 0) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

}  // namespace

std::filesystem::path SimmacProcess::simmacExecutable()
{
    return VELKORA_SIMMAC_EXECUTABLE;
}

std::filesystem::path SimmacProcess::simmacctlExecutable()
{
    return VELKORA_SIMMACCTL_EXECUTABLE;
}

std::filesystem::path SimmacProcess::pmsetExecutable()
{
    return VELKORA_PMSET_EXECUTABLE;
}

std::filesystem::path SimmacProcess::systemSettingsBundle()
{
    return VELKORA_SYSTEM_SETTINGS_BUNDLE;
}

std::filesystem::path SimmacProcess::shortcutsBundle()
{
    return VELKORA_SHORTCUTS_BUNDLE;
}

SimmacProcess::Options SimmacProcess::heldLaptopForBundledApplication()
{
    Options options = withModel("firmware-limit-laptop");
    options.root = std::getenv("SIMMAC_ROOT");
    options.speed = 0;
    if (::geteuid() != 0) {
        options.privilegedUid = ::geteuid();
    }
    return options;
}

SimmacProcess::SimmacProcess() : SimmacProcess(Options{}) {}

SimmacProcess::SimmacProcess(Options options)
{
    if (options.root) {
        root_ = *options.root;
        ownsRoot_ = false;
    } else {
        std::string pattern = (std::filesystem::temp_directory_path() / "simmac-test.XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error(std::string("mkdtemp failed: ") + std::strerror(errno));
        }
        root_ = pattern;
    }
    // Tests drop to an unprivileged user to act as a non-root client; that
    // user must reach the socket.
    ::chmod(root_.c_str(), 0755);
    std::filesystem::create_directories(root_ / "usr/bin");
    std::filesystem::create_directories(root_ / "System/Applications");
    std::error_code exists;
    std::filesystem::create_symlink(pmsetExecutable(), root_ / "usr/bin/pmset", exists);
    std::filesystem::create_directory_symlink(systemSettingsBundle(), root_ / "System/Applications/System Settings.app",
                                              exists);
    std::filesystem::create_directory_symlink(shortcutsBundle(), root_ / "System/Applications/Shortcuts.app", exists);

    if (const char* previous = std::getenv("SIMMAC_ROOT")) {
        previousRoot_ = previous;
    }
    setenv("SIMMAC_ROOT", root_.c_str(), 1);

    std::vector<std::string> arguments{simmacExecutable().string(), "--model", options.model};
    if (options.modelsDirectory) {
        arguments.insert(arguments.end(), {"--models", options.modelsDirectory->string()});
    }
    if (options.privilegedUid) {
        arguments.insert(arguments.end(), {"--privileged-uid", std::to_string(*options.privilegedUid)});
    }
    if (options.speed) {
        std::ostringstream speed;
        speed << *options.speed;
        arguments.insert(arguments.end(), {"--speed", speed.str()});
    }
    arguments_ = std::move(arguments);
    try {
        start();
    } catch (...) {
        std::error_code ignored;
        if (ownsRoot_) {
            std::filesystem::remove_all(root_, ignored);
        }
        throw;
    }
}

void SimmacProcess::start()
{
    if (pid_ > 0) {
        throw std::runtime_error("simmac is running already");
    }
    try {
        // A restarted machine's log follows the earlier one's.
        pid_ = spawn(arguments_, root_ / "simmac.out", root_ / "simmac.log", root_, started_);
        started_ = true;
        waitUntilAnswering();
    } catch (...) {
        stop();
        throw;
    }
}

SimmacProcess::~SimmacProcess()
{
    stop();
    std::error_code ignored;
    if (ownsRoot_) {
        std::filesystem::remove_all(root_, ignored);
    }
    if (previousRoot_) {
        setenv("SIMMAC_ROOT", previousRoot_->c_str(), 1);
    } else {
        unsetenv("SIMMAC_ROOT");
    }
}

std::string SimmacProcess::logText() const
{
    return readFile(root_ / "simmac.log");
}

void SimmacProcess::waitUntilAnswering()
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            throw std::runtime_error("simmac exited at start: " + logText());
        }
        if (std::filesystem::exists(socketPath()) && simmacctl({"status"}).exitCode == 0) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    throw std::runtime_error("simmac did not answer within 20 s: " + logText());
}

void SimmacProcess::stop()
{
    if (pid_ <= 0) {
        return;
    }
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
        // A machine that went away under a test explains its failures.
        const std::string how = WIFSIGNALED(status) ? "by signal " + std::to_string(WTERMSIG(status))
                                                    : "with status " + std::to_string(WEXITSTATUS(status));
        const std::string log = logText();
        const std::string end = log.substr(log.size() > 2000 ? log.size() - 2000 : 0);
        std::fprintf(stderr, "simmac (pid %d) ended %s before the test stopped it; the end of its log:\n%s\n",
                     static_cast<int>(pid_), how.c_str(), end.c_str());
        pid_ = -1;
        return;
    }
    ::kill(pid_, SIGTERM);
    if (!exited(pid_, status, std::chrono::seconds(5))) {
        ::kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
    }
    pid_ = -1;
}

nlohmann::ordered_json SimmacProcess::request(const std::string& operation,
                                              const nlohmann::ordered_json& arguments) const
{
    try {
        simulator::SimmacConnection simmac(socketPath());
        return simmac.request(operation, arguments, std::chrono::seconds(60));
    } catch (const simulator::SimmacError& error) {
        throw std::runtime_error(operation + ": " + error.what());
    }
}

nlohmann::ordered_json SimmacProcess::status() const
{
    return request("status");
}

void SimmacProcess::loadBatteryCapture(const std::filesystem::path& file) const
{
    const CommandResult result = simmacctl({"capture", "load", file.string()});
    if (result.exitCode != 0) {
        throw std::runtime_error(result.errorOutput);
    }
}

std::filesystem::path SimmacProcess::batteryCapture(const std::string& name)
{
    return std::filesystem::path(VELKORA_BATTERY_CAPTURES_DIRECTORY) / name;
}

SimmacProcess::CommandResult SimmacProcess::simmacctl(const std::vector<std::string>& arguments) const
{
    std::vector<std::string> command{simmacctlExecutable().string()};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return run(command);
}

SimmacProcess::CommandResult SimmacProcess::run(const std::vector<std::string>& command) const
{
    static std::atomic<int> counter = 0;
    const std::string stem = "command." + std::to_string(getpid()) + "." + std::to_string(++counter);
    const std::filesystem::path output = root_ / (stem + ".out");
    const std::filesystem::path errorOutput = root_ / (stem + ".err");

    const pid_t child = spawn(command, output, errorOutput, root_);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }

    CommandResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.output = readFile(output);
    result.errorOutput = readFile(errorOutput);
    std::error_code ignored;
    std::filesystem::remove(output, ignored);
    std::filesystem::remove(errorOutput, ignored);
    return result;
}

}  // namespace testsupport
