#include "DaemonProcess.h"

#include <Foundation/SimulatedRoot.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace {

using namespace std::chrono_literals;

std::vector<std::string> environmentWith(const std::vector<std::pair<std::string, std::string>>& extra)
{
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        entries.emplace_back(*entry);
    }
    for (const auto& [key, value] : extra) {
        entries.push_back(key + "=" + value);
    }
    return entries;
}

// Whether some socket bound to `path` is listening: /proc/net/unix lists the
// listening ones with the accepting flag (0x10000) set.
bool isListening(const std::filesystem::path& path)
{
    std::ifstream table("/proc/net/unix");
    std::string line;
    std::getline(table, line);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, references, protocol, flags, type, state, inode, boundPath;
        fields >> slot >> references >> protocol >> flags >> type >> state >> inode >> boundPath;
        if (boundPath == path.string() && (std::stoul(flags, nullptr, 16) & 0x10000u) != 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

DaemonProcess::DaemonProcess() : DaemonProcess(Options{}) {}

DaemonProcess::DaemonProcess(Options options)
{
    static std::atomic<int> started = 0;
    logPath_ = platform::SimulatedRoot::directory() / ("daemon." + std::to_string(++started) + ".log");

    std::vector<std::string> arguments;
    if (options.ownProcessNamespace) {
        arguments = {"/usr/bin/unshare", "--pid", "--fork", "--kill-child"};
    }
    arguments.emplace_back(VELKORA_DAEMON_EXECUTABLE);
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    std::vector<std::string> environment = environmentWith(options.environment);
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath_.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, logPath_.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    const int error = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        throw std::runtime_error(std::string("cannot start the daemon: ") + std::strerror(error));
    }
    if (options.descriptorLimit) {
        const rlimit limit{*options.descriptorLimit, *options.descriptorLimit};
        if (prlimit(pid_, RLIMIT_NOFILE, &limit, nullptr) != 0) {
            const int problem = errno;
            stop();
            throw std::runtime_error(std::string("cannot limit the daemon's descriptors: ") + std::strerror(problem));
        }
    }
    try {
        waitUntilListening();
    } catch (...) {
        stop();
        throw;
    }
}

DaemonProcess::~DaemonProcess()
{
    stop();
}

std::string DaemonProcess::log() const
{
    std::ifstream input(logPath_);
    std::stringstream text;
    text << input.rdbuf();
    return text.str();
}

bool DaemonProcess::running()
{
    if (pid_ <= 0) {
        return false;
    }
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
    }
    return true;
}

std::size_t DaemonProcess::residentBytes() const
{
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmRSS:")) {
            return std::stoull(line.substr(6)) * 1024;
        }
    }
    return 0;
}

void DaemonProcess::stop(int signal)
{
    if (pid_ <= 0) {
        return;
    }
    ::kill(pid_, signal);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
}

std::filesystem::path DaemonProcess::socketPath()
{
    return platform::SimulatedRoot::resolve("/var/run/xpc/com.velkora.charging-helper");
}

std::filesystem::path DaemonProcess::policyPath()
{
    return geteuid() == 0 ? platform::SimulatedRoot::resolve("/Library/Application Support/Velkora/policy.json")
                          : platform::SimulatedRoot::homeDirectory() / "Library/Application Support/Velkora/policy.json";
}

void DaemonProcess::waitUntilListening()
{
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            throw std::runtime_error("the daemon exited at start: " + log());
        }
        if (isListening(socketPath())) {
            return;
        }
        std::this_thread::sleep_for(5ms);
    }
    throw std::runtime_error("the daemon did not listen within 20 s: " + log());
}
