#include "ChildProcess.h"

#include "FileDescriptor.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <system_error>

extern char** environ;

namespace velkora {

namespace {

// The spawn's file actions, released on every path.
class FileActions {
public:
    FileActions() { posix_spawn_file_actions_init(&actions_); }
    ~FileActions() { posix_spawn_file_actions_destroy(&actions_); }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;

    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

std::system_error startFailure(int error, const std::filesystem::path& executable)
{
    return {error, std::generic_category(), "cannot start " + executable.string()};
}

}  // namespace

ChildProcess::Result ChildProcess::run(const std::filesystem::path& executable,
                                       const std::vector<std::string>& arguments, Capture capture)
{
    std::array<int, 2> pipeEnds{};
    if (::pipe2(pipeEnds.data(), O_CLOEXEC) != 0) {
        throw startFailure(errno, executable);
    }
    FileDescriptor readEnd(pipeEnds[0]);
    FileDescriptor writeEnd(pipeEnds[1]);

    FileActions actions;
    const int capturedStream = capture == Capture::standardOutput ? STDOUT_FILENO : STDERR_FILENO;
    posix_spawn_file_actions_adddup2(actions.get(), writeEnd.get(), capturedStream);
    posix_spawn_file_actions_addclosefrom_np(actions.get(), STDERR_FILENO + 1);

    std::vector<char*> argv;
    argv.reserve(arguments.size() + 2);
    std::string program = executable.string();
    argv.push_back(program.data());
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

    pid_t child = -1;
    if (const int error = posix_spawn(&child, program.c_str(), actions.get(), nullptr, argv.data(), environ);
        error != 0) {
        throw startFailure(error, executable);
    }
    writeEnd.close();

    // Read to the end before waiting, so that a program with more to say than
    // the pipe holds is not left blocked on it.
    Result result;
    std::array<char, 4096> buffer{};
    for (;;) {
        const ssize_t count = ::read(readEnd.get(), buffer.data(), buffer.size());
        if (count > 0) {
            result.output.append(buffer.data(), static_cast<std::size_t>(count));
        } else if (count == 0 || errno != EINTR) {
            break;
        }
    }

    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

}  // namespace velkora
