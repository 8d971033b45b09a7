#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace testsupport {

// A real simmac for one test: a fresh simulated root from mkdtemp with the
// simulated Mac's tools installed ($SIMMAC_ROOT/usr/bin/pmset and
// "$SIMMAC_ROOT/System/Applications/System Settings.app" and
// ".../Shortcuts.app"), simmac started
// on it with the chosen model, SIMMAC_ROOT set for this process while it lives
// (so the IOKit stand-in, SMCKit, ProcessInfo and simmacctl find it), and all
// of it stopped and removed at the end. Throws std::runtime_error with simmac's
// own output when it does not come up.
class SimmacProcess {
public:
    struct Options {
        std::string model = "firmware-limit-laptop";
        // A folder of model files instead of the built-in ones.
        std::optional<std::filesystem::path> modelsDirectory;
        std::optional<uid_t> privilegedUid;
        // Simulated seconds of battery physics per real second; 0 keeps the
        // battery's readings exactly as the model states them.
        std::optional<double> speed;
        // An existing folder to use as the simulated root instead of a fresh
        // one; it is left in place at the end.
        std::optional<std::filesystem::path> root;
    };
    // Options with nothing but the model changed.
    static Options withModel(std::string model)
    {
        Options options;
        options.model = std::move(model);
        return options;
    }
    // A laptop for a signed copy of the application in the simulated root
    // already named by SIMMAC_ROOT, whose launchd starts the real daemon: the
    // battery stays exactly where a test puts it, and a run that is not root
    // lets that daemon, which then runs as this user, write SMC keys.
    static Options heldLaptopForBundledApplication();

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
    // Runs `command` (a program and its arguments, such as the root's
    // usr/bin/pmset) with this simmac's SIMMAC_ROOT and waits for it.
    CommandResult run(const std::vector<std::string>& command) const;

    // Sends one JSON operation to simmac on a connection of its own and
    // returns the result (operations: see the modules under
    // Platform/Simulator/Server); throws std::runtime_error with simmac's text
    // when it refuses.
    nlohmann::ordered_json request(const std::string& operation,
                                   const nlohmann::ordered_json& arguments = nlohmann::ordered_json::object()) const;
    // request("status").
    nlohmann::ordered_json status() const;

    // Makes simmac take its battery from the ioreg dump `file`
    // (`simmacctl capture load FILE`); throws std::runtime_error with
    // simmacctl's message when that fails.
    void loadBatteryCapture(const std::filesystem::path& file) const;
    // A hand-written dump under Tests/TestData/BatteryCaptures (see its
    // README.md), for example "intel-discharging.txt".
    static std::filesystem::path batteryCapture(const std::string& name);

    // Stops simmac (SIGTERM, then SIGKILL after a few seconds) and waits for it;
    // the root stays until destruction. Safe to call twice.
    void stop();
    // Starts the stopped simmac again on the same root with the same options,
    // as a Mac is started again, and returns once it answers. Throws
    // std::runtime_error as the constructor does, or when simmac runs.
    void start();
    // The log of every start of simmac on this root.
    std::string logText() const;

    static std::filesystem::path simmacExecutable();
    static std::filesystem::path simmacctlExecutable();
    static std::filesystem::path pmsetExecutable();
    static std::filesystem::path systemSettingsBundle();
    static std::filesystem::path shortcutsBundle();

private:
    void waitUntilAnswering();

    std::filesystem::path root_;
    std::vector<std::string> arguments_;
    pid_t pid_ = -1;
    bool started_ = false;
    std::optional<std::string> previousRoot_;
    bool ownsRoot_ = true;
};

}  // namespace testsupport
