#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <csignal>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The built daemon run as a real process on the simulated root named by
// SIMMAC_ROOT, its log in a file of that root. The constructor returns once
// the daemon listens for clients; the destructor kills it.
class DaemonProcess {
public:
    struct Options {
        std::vector<std::pair<std::string, std::string>> environment;
        // Runs the daemon in a process namespace of its own, where no client
        // has a process identifier (each one appears as 0).
        bool ownProcessNamespace = false;
        // The most file descriptors the daemon may have open (RLIMIT_NOFILE);
        // unset keeps the test's own limit.
        std::optional<rlim_t> descriptorLimit = std::nullopt;
    };

    DaemonProcess();
    explicit DaemonProcess(Options options);
    ~DaemonProcess();

    DaemonProcess(const DaemonProcess&) = delete;
    DaemonProcess& operator=(const DaemonProcess&) = delete;

    pid_t pid() const { return pid_; }
    const std::filesystem::path& logPath() const { return logPath_; }
    std::string log() const;
    // Whether the process still runs; false once it ended (it is then reaped).
    bool running();
    // Its resident memory in bytes.
    std::size_t residentBytes() const;

    // Sends `signal` and waits for the process to end.
    void stop(int signal = SIGKILL);

    static std::filesystem::path socketPath();
    static std::filesystem::path policyPath();

private:
    void waitUntilListening();

    pid_t pid_ = -1;
    std::filesystem::path logPath_;
};
