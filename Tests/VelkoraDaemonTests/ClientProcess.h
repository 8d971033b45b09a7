#pragma once

#include <nlohmann/json.hpp>

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>

// One run of the test client program (DaemonTestClient.cpp): each request
// is a line to its input, each answer the JSON line it prints.
class ClientProcess {
public:
    explicit ClientProcess(const std::filesystem::path& executable);
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

    // Closes the client's input, so that it closes its connection and ends.
    void quit();

private:
    std::string readLine(std::chrono::milliseconds timeout);

    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    std::string buffered_;
};
