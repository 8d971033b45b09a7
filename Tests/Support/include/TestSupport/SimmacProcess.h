#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// A real simmac for one test: a fresh simulated root from mkdtemp, simmac
// started on it with the chosen model, SIMMAC_ROOT set for this process while
// it lives (so the IOKit stand-in, SMCKit and simmacctl find it), and all of it
// stopped and removed at the end. Throws std::runtime_error with simmac's own
// output when it does not come up.
class SimmacProcess {
public:
    struct Options {
        std::string model = "firmware-limit-laptop";
        // A folder of model files instead of the built-in ones.
        std::optional<std::filesystem::path> modelsDirectory;
        std::optional<uid_t> privilegedUid;
    };

    struct CommandResult {
        int exitCode = -1;
        std::string output;
        std::string errorOutput;
    };

    SimmacProcess();
    explicit SimmacProcess(Options options);
    ~SimmacProcess();
    SimmacProcess(const SimmacProcess&) = delete;
    SimmacProcess& operator=(const SimmacProcess&) = delete;

    const std::filesystem::path& root() const { return root_; }
    pid_t pid() const { return pid_; }
    std::filesystem::path socketPath() const { return root_ / "var/run/simmac.sock"; }

    // Runs simmacctl with `arguments` against this simmac and waits for it.
    CommandResult simmacctl(const std::vector<std::string>& arguments) const;

    // Stops simmac (SIGTERM, then SIGKILL after a few seconds) and waits for it;
    // the root stays until destruction. Safe to call twice.
    void stop();

    static std::filesystem::path simmacExecutable();
    static std::filesystem::path simmacctlExecutable();

private:
    void waitUntilAnswering();
    std::string logText() const;

    std::filesystem::path root_;
    pid_t pid_ = -1;
    std::optional<std::string> previousRoot_;
};

}  // namespace testsupport
