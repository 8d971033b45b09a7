#include "ClientProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>

extern char** environ;

ClientProcess::ClientProcess(const std::filesystem::path& executable, const std::vector<std::string>& arguments,
                             const std::vector<std::string>& environment)
{
    int toClient[2];
    int fromClient[2];
    if (pipe2(toClient, O_CLOEXEC) != 0 || pipe2(fromClient, O_CLOEXEC) != 0) {
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toClient[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromClient[1], STDOUT_FILENO);
    std::vector<std::string> words{executable.string()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        entries.emplace_back(*entry);
    }
    entries.insert(entries.end(), environment.begin(), environment.end());
    std::vector<char*> envp;
    for (std::string& entry : entries) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    const std::string& program = words.front();
    const int error = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(toClient[0]);
    ::close(fromClient[1]);
    input_ = toClient[1];
    output_ = fromClient[0];
    if (error != 0) {
        pid_ = -1;
        throw std::runtime_error("cannot start " + program + ": " + std::strerror(error));
    }
}

ClientProcess::~ClientProcess()
{
    quit();
    if (output_ >= 0) {
        ::close(output_);
    }
}

nlohmann::json ClientProcess::request(const std::string& line, std::chrono::milliseconds timeout)
{
    send(line);
    return answer(timeout);
}

void ClientProcess::send(const std::string& line)
{
    const std::string text = line + "\n";
    if (::write(input_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        throw std::runtime_error("the client does not take requests");
    }
}

nlohmann::json ClientProcess::answer(std::chrono::milliseconds timeout)
{
    return nlohmann::json::parse(readLine(timeout));
}

std::string ClientProcess::readLine(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (const auto end = buffered_.find('\n'); end != std::string::npos) {
            std::string line = buffered_.substr(0, end);
            buffered_.erase(0, end + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd ready{output_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) == 0) {
            throw std::runtime_error("the client gave no answer in time");
        }
        char chunk[4096];
        const ssize_t count = ::read(output_, chunk, sizeof chunk);
        if (count == 0) {
            throw std::runtime_error("the client ended without answering");
        }
        if (count > 0) {
            buffered_.append(chunk, static_cast<std::size_t>(count));
        }
    }
}

void ClientProcess::quit()
{
    if (input_ >= 0) {
        ::close(input_);
        input_ = -1;
    }
    if (pid_ <= 0) {
        return;
    }
    int status = 0;
    for (int waited = 0; waited < 1000; ++waited) {
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
    pid_ = -1;
}
