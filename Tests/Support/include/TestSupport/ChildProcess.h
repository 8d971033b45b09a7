#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

// A child process for the length of a test; killed and reaped at the end.
class ChildProcess {
public:
    explicit ChildProcess(std::vector<std::string> arguments)
    {
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        if (posix_spawnp(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
    }
    ~ChildProcess()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }

    // Waits until the child runs `program` (its exec has happened).
    bool waitUntilRunning(const std::string& program) const
    {
        for (int attempt = 0; attempt < 500; ++attempt) {
            char target[4096] = {};
            const std::string link = "/proc/" + std::to_string(pid_) + "/exe";
            const ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
            if (length > 0 && std::string(target, static_cast<size_t>(length)).find(program) != std::string::npos) {
                return true;
            }
            usleep(2000);
        }
        return false;
    }

private:
    pid_t pid_ = -1;
};
