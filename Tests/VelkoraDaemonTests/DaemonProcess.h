#pragma once

#include <sys/types.h>

#include <csignal>
#include <filesystem>
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
    };

    DaemonProcess();
    explicit DaemonProcess(Options options);
    ~DaemonProcess();

    DaemonProcess(const DaemonProcess&) = delete;
    DaemonProcess& operator=(const DaemonProcess&) = delete;

    pid_t pid() const { return pid_; }
    const std::filesystem::path& logPath() const { return logPath_; }
    std::string log() const;

    // Sends `signal` and waits for the process to end.
    void stop(int signal = SIGKILL);

    static std::filesystem::path socketPath();
    static std::filesystem::path policyPath();

private:
    void waitUntilListening();

    pid_t pid_ = -1;
    std::filesystem::path logPath_;
};
