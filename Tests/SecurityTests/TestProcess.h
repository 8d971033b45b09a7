#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

// A child process for a test: either a guest that keeps running until the
// test stops it (its input is a pipe the test holds), or a tool run to its end
// with its output collected.
class TestProcess {
public:
    struct Result {
        int exitCode = -1;
        std::string output;
        std::string errors;
    };

    // Starts `program` and waits for its first output line ("ready").
    static TestProcess start(const std::filesystem::path& program, const std::vector<std::string>& arguments = {});

    static Result run(const std::filesystem::path& program, const std::vector<std::string>& arguments);

    TestProcess(TestProcess&& other) noexcept;
    TestProcess& operator=(TestProcess&&) = delete;
    ~TestProcess();

    pid_t pid() const { return pid_; }

    // Closes its input and waits for it to exit.
    void stop();

private:
    TestProcess(pid_t pid, int input) : pid_(pid), input_(input) {}

    pid_t pid_ = -1;
    int input_ = -1;
};
