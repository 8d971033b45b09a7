#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace velkora {

// A program run to its end with one of its output streams captured; the
// daemon's other descriptors stay closed in the child, standard input and the
// stream not captured are inherited.
class ChildProcess {
public:
    enum class Capture { standardOutput, standardError };

    struct Result {
        // The exit status, or 128 plus the signal that ended the program.
        int status = 0;
        // The captured stream's bytes as written.
        std::string output;
    };

    // Starts `executable` with `arguments`, reads the captured stream to its
    // end and waits for the program to exit, blocking the calling thread.
    // Throws std::system_error when the program cannot be started.
    static Result run(const std::filesystem::path& executable, const std::vector<std::string>& arguments,
                      Capture capture);
};

}  // namespace velkora
