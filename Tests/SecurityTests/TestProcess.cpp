#include "TestProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>

extern char** environ;

namespace {

struct Pipe {
    int read = -1;
    int write = -1;

    Pipe()
    {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) {
            throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
        }
        read = ends[0];
        write = ends[1];
    }
};

std::string readAll(int descriptor)
{
    std::string text;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(descriptor, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR)) {
        if (got > 0) {
            text.append(buffer, static_cast<size_t>(got));
        }
    }
    close(descriptor);
    return text;
}

pid_t spawn(const std::filesystem::path& program, const std::vector<std::string>& arguments, int input, int output,
            int errors)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errors, STDERR_FILENO);
    std::vector<std::string> words{program.string()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        throw std::runtime_error("cannot start " + program.string() + ": " + std::strerror(error));
    }
    return pid;
}

int waitForExit(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

TestProcess TestProcess::start(const std::filesystem::path& program, const std::vector<std::string>& arguments)
{
    Pipe input;
    Pipe output;
    const pid_t pid = spawn(program, arguments, input.read, output.write, STDERR_FILENO);
    close(input.read);
    close(output.write);
    TestProcess process(pid, input.write);
    std::string line;
    char character = 0;
    while (line != "ready" && read(output.read, &character, 1) == 1) {
        if (character != '\n') {
            line.push_back(character);
        }
    }
    close(output.read);
    if (line != "ready") {
        throw std::runtime_error(program.string() + " did not start");
    }
    return process;
}

TestProcess::Result TestProcess::run(const std::filesystem::path& program, const std::vector<std::string>& arguments)
{
    Pipe input;
    Pipe output;
    Pipe errors;
    const pid_t pid = spawn(program, arguments, input.read, output.write, errors.write);
    close(input.read);
    close(input.write);
    close(output.write);
    close(errors.write);
    Result result;
    result.output = readAll(output.read);
    result.errors = readAll(errors.read);
    result.exitCode = waitForExit(pid);
    return result;
}

TestProcess::TestProcess(TestProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)), input_(std::exchange(other.input_, -1))
{
}

TestProcess::~TestProcess()
{
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        stop();
    }
}

void TestProcess::stop()
{
    if (input_ >= 0) {
        close(input_);
        input_ = -1;
    }
    if (pid_ > 0) {
        waitForExit(pid_);
        pid_ = -1;
    }
}
