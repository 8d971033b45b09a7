#pragma once

#include <nlohmann/json.hpp>

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

// One run of the test client program (DaemonTestClient.cpp): each request
// is a line to its input, each answer the JSON line it prints. Any other
// program run the same way (its input a pipe the test holds, its output read
// line by line) works too.
class ClientProcess {
public:
    // `environment` entries ("NAME=value") are added to the test's own.
    explicit ClientProcess(const std::filesystem::path& executable, const std::vector<std::string>& arguments = {},
                           const std::vector<std::string>& environment = {});
    ~ClientProcess();

    ClientProcess(const ClientProcess&) = delete;
    ClientProcess& operator=(const ClientProcess&) = delete;

    pid_t pid() const { return pid_; }

    // Throws std::runtime_error when no answer comes within `timeout`.
    nlohmann::json request(const std::string& line, std::chrono::milliseconds timeout = std::chrono::seconds(30));

    // The same in two steps, for a request that is to be under way while
    // the test does something else.
    void send(const std::string& line);
    nlohmann::json answer(std::chrono::milliseconds timeout = std::chrono::seconds(30));

    // One line of output, without its end. Throws std::runtime_error when
    // none comes within `timeout`.
    std::string readLine(std::chrono::milliseconds timeout);

    // Closes the client's input, so that it closes its connection and ends.
    void quit();

private:

    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    std::string buffered_;
};
