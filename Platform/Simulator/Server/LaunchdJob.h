#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <asio.hpp>
#include <nlohmann/json.hpp>

namespace simmac {

// What a bundle's launchd property list asks of launchd, as simmac uses it.
struct LaunchdJobDefinition {
    std::string label;
    std::filesystem::path bundle;
    std::string plistName;
    // Inside the bundle; an executable file when the definition was read.
    std::filesystem::path program;
    std::string machServiceName;
    std::vector<std::pair<std::string, std::string>> environment;
    // "RunAtLoad": started as soon as the job is loaded (its approval, each
    // start of simmac) rather than by its first client.
    bool runAtLoad = false;
    // "KeepAlive": started again whenever it exits.
    bool keepAlive = false;
    // "ThrottleInterval": the least time from one start to the next, which
    // keeps a daemon that exits at once from being started over and over.
    std::chrono::seconds throttleInterval = defaultThrottleInterval;

    // launchd's own throttle when the property list names none.
    static constexpr std::chrono::seconds defaultThrottleInterval{10};
    static constexpr std::chrono::seconds longestThrottleInterval{86400};

    // Where a bundle keeps the property lists of its daemons.
    static std::filesystem::path propertyListPath(const std::filesystem::path& bundle, std::string_view plistName);

    // Reads "<bundle>/Contents/Library/LaunchDaemons/<plistName>": a dictionary
    // with a text "Label", the program as "BundleProgram" (or "Program"), a
    // path inside the bundle to an executable file, exactly one entry in
    // "MachServices" (the daemon is handed one listening socket), and
    // optionally "EnvironmentVariables" of texts, "RunAtLoad" and "KeepAlive"
    // as booleans and "ThrottleInterval" as whole seconds from 1 to
    // longestThrottleInterval. Throws SimulatorError saying what is wrong.
    static LaunchdJobDefinition read(const std::filesystem::path& bundle, std::string_view plistName);
    // Only the property list's "Label"; throws SimulatorError as read() does.
    static std::string readLabel(const std::filesystem::path& bundle, std::string_view plistName);

    // Throws SimulatorError unless `program` is still an executable file inside the bundle.
    void checkProgram() const;

    bool operator==(const LaunchdJobDefinition&) const = default;
};

// One registered daemon while it is enabled: simmac holds the listening
// socket of its mach service and starts the program when a client connects,
// or at once when its definition asks to run at load, as root when simmac
// runs as root (otherwise as simmac's own user), with the property list's
// environment and the socket as SIMMAC_LAUNCHD_SOCKET_FD. A daemon that exits
// is started again at once when it is kept alive, otherwise by the next
// connection; either way no sooner than the definition's throttle interval
// after its previous start. A program that is no longer an executable inside
// its bundle is not started: the socket is closed, so that clients fail at
// once, and nothing starts it until the daemon is registered again.
// Everything runs on simmac's event loop. The object must be held in a
// std::shared_ptr.
class LaunchdJob : public std::enable_shared_from_this<LaunchdJob> {
public:
    // How long a daemon has to exit after SIGTERM before it is killed.
    static constexpr auto exitTimeout = std::chrono::seconds(5);

    LaunchdJob(asio::io_context& context, LaunchdJobDefinition definition);
    // Kills a daemon still running and waits for it.
    ~LaunchdJob();
    LaunchdJob(const LaunchdJob&) = delete;
    LaunchdJob& operator=(const LaunchdJob&) = delete;

    const LaunchdJobDefinition& definition() const { return definition_; }

    // Binds the mach service's socket and starts the daemon if it runs at
    // load, else waits for its first client. Throws
    // SimulatorError when the socket cannot be bound (for instance when a live
    // listener serves it). Does nothing when already listening.
    void enable();
    bool isListening() const { return acceptor_.is_open(); }

    // Closes and removes the socket at once, then stops the daemon (SIGTERM,
    // SIGKILL after exitTimeout); `stopped` runs on the event loop when no
    // daemon of this job runs any more.
    void stop(std::function<void()> stopped);

    // Stops everything without the event loop, waiting for the daemon (simmac
    // is shutting down).
    void stopNow();

    std::optional<pid_t> daemonProcess() const;
    nlohmann::ordered_json describe() const;

private:
    void closeSocket();
    void awaitClient();
    void startDaemon();
    // After an exit or a failed start: at once (throttled) when kept alive,
    // else on the next client.
    void startAgain();
    void watchDaemon();
    void daemonExited();
    void finishStopping();

    asio::io_context& context_;
    const LaunchdJobDefinition definition_;
    std::filesystem::path socketPath_;
    asio::local::stream_protocol::acceptor acceptor_;
    asio::steady_timer restartTimer_;
    asio::steady_timer killTimer_;
    // A pidfd of the running daemon, readable when it has exited.
    asio::posix::stream_descriptor exitWatch_;
    pid_t pid_ = -1;
    std::optional<std::chrono::steady_clock::time_point> lastStart_;
    unsigned starts_ = 0;
    std::vector<std::function<void()>> stoppedActions_;
    bool stopping_ = false;
};

}  // namespace simmac
