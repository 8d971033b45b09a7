#include "LaunchdJob.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

#include "Foundation/NSError.h"
#include "Foundation/PropertyListSerialization.h"
#include "Foundation/SimulatedRoot.h"
#include "Log/Logger.h"
#include "Simmac/ListeningSocket.h"
#include "Simmac/SimulatorError.h"
#include "XPC/NSXPCListener.h"

namespace simmac {

namespace fs = std::filesystem;
using platform::PropertyList;

namespace {

// The descriptor the daemon finds its listening socket on.
constexpr int daemonSocketDescriptor = 3;
constexpr const char* socketVariable = "SIMMAC_LAUNCHD_SOCKET_FD";
constexpr const char* rootVariable = "SIMMAC_ROOT";

const platform::Logger& logger()
{
    static const platform::Logger instance("simmac", "launchd");
    return instance;
}

PropertyList::Dictionary readDictionary(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const int code = errno;
        if (code == ENOENT) {
            throw SimulatorError("no launchd property list at " + path.string());
        }
        throw SimulatorError("cannot read " + path.string() + ": " + std::strerror(code));
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    PropertyList root;
    try {
        root = platform::PropertyListSerialization::propertyList(bytes);
    } catch (const platform::NSError& error) {
        throw SimulatorError("cannot read " + path.string() + ": " + error.localizedDescription());
    }
    const auto* dictionary = root.get<PropertyList::Dictionary>();
    if (dictionary == nullptr) {
        throw SimulatorError(path.string() + " is not a dictionary");
    }
    return *dictionary;
}

const std::string* textMember(const PropertyList::Dictionary& dictionary, std::string_view key)
{
    const auto found = dictionary.find(key);
    return found == dictionary.end() ? nullptr : found->second.get<std::string>();
}

std::string labelIn(const PropertyList::Dictionary& dictionary, const fs::path& path)
{
    const std::string* label = textMember(dictionary, "Label");
    if (label == nullptr || label->empty()) {
        throw SimulatorError(path.string() + " has no text Label");
    }
    return *label;
}

bool isInside(const fs::path& path, const fs::path& folder)
{
    const fs::path relative = path.lexically_relative(folder);
    return !relative.empty() && *relative.begin() != "..";
}

// BundleProgram (or Program) as a file inside the bundle; a path that leads
// out of it, also through a symbolic link, is refused.
fs::path programIn(const fs::path& bundle, const std::string& text)
{
    const fs::path relative = fs::path(text).relative_path().lexically_normal();
    if (relative.empty() || *relative.begin() == "..") {
        throw SimulatorError("the program \"" + text + "\" lies outside the bundle " + bundle.string());
    }
    const fs::path program = bundle / relative;
    std::error_code error;
    const fs::path realProgram = fs::canonical(program, error);
    if (error) {
        throw SimulatorError("the program " + program.string() + " cannot be used: " + error.message());
    }
    const fs::path realBundle = fs::canonical(bundle, error);
    if (error || !isInside(realProgram, realBundle)) {
        throw SimulatorError("the program \"" + text + "\" lies outside the bundle " + bundle.string());
    }
    if (!fs::is_regular_file(realProgram, error) || ::access(realProgram.c_str(), X_OK) != 0) {
        throw SimulatorError("the program " + program.string() + " is not an executable file");
    }
    return program;
}

std::string machServiceIn(const PropertyList::Dictionary& dictionary, const fs::path& path)
{
    const auto found = dictionary.find("MachServices");
    const auto* services = found == dictionary.end() ? nullptr : found->second.get<PropertyList::Dictionary>();
    if (services == nullptr || services->size() != 1) {
        throw SimulatorError(path.string() +
                             " must name exactly one mach service in MachServices: simmac hands a daemon one "
                             "listening socket");
    }
    const std::string& name = services->begin()->first;
    try {
        platform::NSXPCListener::socketPathForMachService(name);
    } catch (const std::invalid_argument& problem) {
        throw SimulatorError(path.string() + ": " + problem.what());
    }
    return name;
}

std::vector<std::pair<std::string, std::string>> environmentIn(const PropertyList::Dictionary& dictionary,
                                                               const fs::path& path)
{
    std::vector<std::pair<std::string, std::string>> environment;
    const auto found = dictionary.find("EnvironmentVariables");
    if (found == dictionary.end()) {
        return environment;
    }
    const auto* variables = found->second.get<PropertyList::Dictionary>();
    if (variables == nullptr) {
        throw SimulatorError(path.string() + ": EnvironmentVariables is not a dictionary");
    }
    for (const auto& [name, value] : *variables) {
        const auto* text = value.get<std::string>();
        if (text == nullptr) {
            throw SimulatorError(path.string() + ": EnvironmentVariables holds a value that is not text for \"" +
                                 name + "\"");
        }
        if (name.empty() || name.find('=') != std::string::npos || name.find('\0') != std::string::npos ||
            text->find('\0') != std::string::npos) {
            throw SimulatorError(path.string() + ": \"" + name + "\" cannot be an environment variable");
        }
        environment.emplace_back(name, *text);
    }
    return environment;
}

bool booleanIn(const PropertyList::Dictionary& dictionary, std::string_view key, const fs::path& path)
{
    const auto found = dictionary.find(key);
    if (found == dictionary.end()) {
        return false;
    }
    const bool* value = found->second.get<bool>();
    if (value == nullptr) {
        if (key == "KeepAlive" && found->second.get<PropertyList::Dictionary>() != nullptr) {
            throw SimulatorError(path.string() +
                                 ": simmac keeps a daemon alive always or never, so KeepAlive must be true or false, "
                                 "not a dictionary of conditions");
        }
        throw SimulatorError(path.string() + ": " + std::string(key) + " is not true or false");
    }
    return *value;
}

std::chrono::seconds throttleIntervalIn(const PropertyList::Dictionary& dictionary, const fs::path& path)
{
    const auto found = dictionary.find("ThrottleInterval");
    if (found == dictionary.end()) {
        return LaunchdJobDefinition::defaultThrottleInterval;
    }
    const std::int64_t* seconds = found->second.get<std::int64_t>();
    // Without a throttle a daemon that exits at once would be started in a loop.
    if (seconds == nullptr || *seconds < 1 || *seconds > LaunchdJobDefinition::longestThrottleInterval.count()) {
        throw SimulatorError(path.string() + ": ThrottleInterval must be a whole number of seconds from 1 to " +
                             std::to_string(LaunchdJobDefinition::longestThrottleInterval.count()));
    }
    return std::chrono::seconds(*seconds);
}

std::string describeExit(int status)
{
    if (WIFEXITED(status)) {
        return "exited with status " + std::to_string(WEXITSTATUS(status));
    }
    if (WIFSIGNALED(status)) {
        return "was ended by signal " + std::to_string(WTERMSIG(status));
    }
    return "ended";
}

}  // namespace

fs::path LaunchdJobDefinition::propertyListPath(const fs::path& bundle, std::string_view plistName)
{
    if (plistName.empty() || plistName == "." || plistName == ".." || plistName.find('/') != std::string_view::npos ||
        plistName.find('\0') != std::string_view::npos) {
        throw SimulatorError("\"" + std::string(plistName) + "\" cannot name a property list of a bundle");
    }
    if (!bundle.is_absolute()) {
        throw SimulatorError("the bundle path \"" + bundle.string() + "\" is not absolute");
    }
    return bundle / "Contents" / "Library" / "LaunchDaemons" / std::string(plistName);
}

std::string LaunchdJobDefinition::readLabel(const fs::path& bundle, std::string_view plistName)
{
    const fs::path path = propertyListPath(bundle, plistName);
    return labelIn(readDictionary(path), path);
}

LaunchdJobDefinition LaunchdJobDefinition::read(const fs::path& bundle, std::string_view plistName)
{
    const fs::path path = propertyListPath(bundle, plistName);
    const PropertyList::Dictionary dictionary = readDictionary(path);

    LaunchdJobDefinition definition;
    definition.bundle = bundle;
    definition.plistName = plistName;
    definition.label = labelIn(dictionary, path);
    const std::string* program = textMember(dictionary, "BundleProgram");
    if (program == nullptr) {
        program = textMember(dictionary, "Program");
    }
    if (program == nullptr) {
        throw SimulatorError(path.string() + " names no BundleProgram or Program");
    }
    definition.program = programIn(bundle, *program);
    definition.machServiceName = machServiceIn(dictionary, path);
    definition.environment = environmentIn(dictionary, path);
    definition.runAtLoad = booleanIn(dictionary, "RunAtLoad", path);
    definition.keepAlive = booleanIn(dictionary, "KeepAlive", path);
    definition.throttleInterval = throttleIntervalIn(dictionary, path);
    return definition;
}

void LaunchdJobDefinition::checkProgram() const
{
    programIn(bundle, program.lexically_relative(bundle).string());
}

LaunchdJob::LaunchdJob(asio::io_context& context, LaunchdJobDefinition definition)
    : context_(context),
      definition_(std::move(definition)),
      socketPath_(platform::NSXPCListener::socketPathForMachService(definition_.machServiceName)),
      acceptor_(context),
      restartTimer_(context),
      killTimer_(context),
      exitWatch_(context)
{
}

LaunchdJob::~LaunchdJob()
{
    stopNow();
}

void LaunchdJob::enable()
{
    if (acceptor_.is_open() || stopping_) {
        return;
    }
    // Any process may connect, as to any mach service; the daemon decides whom it serves.
    listenOnSocket(acceptor_, socketPath_,
                   "another listener serves " + socketPath_.string() + ", so " + definition_.label +
                       " cannot be started on demand");
    logger().info("%s waits for clients on %s", definition_.label, socketPath_.string());
    if (pid_ > 0) {
        return;
    }
    if (definition_.runAtLoad) {
        startDaemon();
    } else {
        awaitClient();
    }
}

void LaunchdJob::closeSocket()
{
    if (!acceptor_.is_open()) {
        return;
    }
    stopListening(acceptor_, socketPath_);
}

void LaunchdJob::awaitClient()
{
    acceptor_.async_wait(asio::socket_base::wait_read, [weak = weak_from_this()](const std::error_code& error) {
        const auto self = weak.lock();
        if (!self || error || self->stopping_ || !self->acceptor_.is_open()) {
            return;
        }
        self->startDaemon();
    });
}

void LaunchdJob::startDaemon()
{
    if (stopping_ || !acceptor_.is_open() || pid_ > 0) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (lastStart_ && now < *lastStart_ + definition_.throttleInterval) {
        restartTimer_.expires_at(*lastStart_ + definition_.throttleInterval);
        restartTimer_.async_wait([weak = weak_from_this()](const std::error_code& error) {
            if (const auto self = weak.lock(); self && !error) {
                self->startDaemon();
            }
        });
        return;
    }
    lastStart_ = now;
    try {
        // The bundle may have changed since the registration; root runs only what is inside it.
        definition_.checkProgram();
    } catch (const SimulatorError& problem) {
        logger().error("Not starting %s: %s; it waits for a new registration", definition_.label, problem.what());
        closeSocket();
        return;
    }

    // Everything the child needs is made before the fork: between fork and
    // exec it may only make async-signal-safe calls.
    const std::string program = definition_.program.string();
    std::vector<std::string> environment{
        "PATH=/usr/bin:/bin:/usr/sbin:/sbin",
        std::string(rootVariable) + "=" + platform::SimulatedRoot::directory().string(),
        std::string(socketVariable) + "=" + std::to_string(daemonSocketDescriptor),
    };
    for (const auto& [name, value] : definition_.environment) {
        // simmac's own variables are not the property list's to change.
        if (name != rootVariable && name != socketVariable && name != "PATH") {
            environment.push_back(name + "=" + value);
        }
    }
    std::vector<char*> environmentPointers;
    for (std::string& entry : environment) {
        environmentPointers.push_back(entry.data());
    }
    environmentPointers.push_back(nullptr);
    std::string argument0 = program;
    char* const arguments[] = {argument0.data(), nullptr};
    const int listening = acceptor_.native_handle();
    const int nullDevice = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    const pid_t parent = ::getpid();

    const pid_t child = ::fork();
    if (child == 0) {
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        ::signal(SIGPIPE, SIG_DFL);
        ::setsid();
        // A daemon never outlives the simulated machine.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) {
            ::_exit(126);
        }
        if (nullDevice >= 0) {
            ::dup2(nullDevice, STDIN_FILENO);
        }
        if (listening == daemonSocketDescriptor) {
            ::fcntl(listening, F_SETFD, 0);
        } else if (::dup2(listening, daemonSocketDescriptor) < 0) {
            ::_exit(126);
        }
        ::close_range(daemonSocketDescriptor + 1, ~0u, 0);
        ::execve(program.c_str(), arguments, environmentPointers.data());
        ::_exit(127);
    }
    if (nullDevice >= 0) {
        ::close(nullDevice);
    }
    if (child < 0) {
        logger().error("Cannot start %s: %s", definition_.label, std::strerror(errno));
        startAgain();
        return;
    }
    pid_ = child;
    ++starts_;
    logger().notice("Started %s as pid %d (uid %d): %s", definition_.label, static_cast<int>(child),
                    static_cast<int>(::geteuid()), program);
    watchDaemon();
}

void LaunchdJob::watchDaemon()
{
    const int descriptor = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
    if (descriptor < 0) {
        // Without a way to see it exit, the daemon is left to itself.
        logger().fault("Cannot watch %s (pid %d): %s; it will not be restarted", definition_.label,
                       static_cast<int>(pid_), std::strerror(errno));
        return;
    }
    exitWatch_.assign(descriptor);
    exitWatch_.async_wait(asio::posix::descriptor_base::wait_read,
                          [weak = weak_from_this()](const std::error_code& error) {
                              if (const auto self = weak.lock(); self && !error) {
                                  self->daemonExited();
                              }
                          });
}

void LaunchdJob::daemonExited()
{
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == 0) {
        watchDaemon();
        return;
    }
    logger().notice("%s (pid %d) %s", definition_.label, static_cast<int>(pid_), describeExit(status));
    std::error_code ignored;
    exitWatch_.close(ignored);
    killTimer_.cancel();
    pid_ = -1;
    if (stopping_) {
        finishStopping();
    } else if (acceptor_.is_open()) {
        startAgain();
    }
}

void LaunchdJob::startAgain()
{
    if (definition_.keepAlive) {
        // The throttle since the last start decides when.
        startDaemon();
    } else {
        awaitClient();
    }
}

void LaunchdJob::stop(std::function<void()> stopped)
{
    stopping_ = true;
    if (stopped) {
        stoppedActions_.push_back(std::move(stopped));
    }
    closeSocket();
    restartTimer_.cancel();
    if (pid_ <= 0) {
        asio::post(context_, [weak = weak_from_this()] {
            if (const auto self = weak.lock()) {
                self->finishStopping();
            }
        });
        return;
    }
    ::kill(pid_, SIGTERM);
    killTimer_.expires_after(exitTimeout);
    killTimer_.async_wait([weak = weak_from_this()](const std::error_code& error) {
        if (const auto self = weak.lock(); self && !error && self->pid_ > 0) {
            logger().error("%s (pid %d) did not stop within %d s; killing it", self->definition_.label,
                           static_cast<int>(self->pid_), static_cast<int>(exitTimeout.count()));
            ::kill(self->pid_, SIGKILL);
        }
    });
}

void LaunchdJob::finishStopping()
{
    std::vector<std::function<void()>> actions;
    std::swap(actions, stoppedActions_);
    for (const auto& action : actions) {
        action();
    }
}

void LaunchdJob::stopNow()
{
    stopping_ = true;
    stoppedActions_.clear();
    closeSocket();
    restartTimer_.cancel();
    killTimer_.cancel();
    std::error_code ignored;
    exitWatch_.close(ignored);
    if (pid_ <= 0) {
        return;
    }
    ::kill(pid_, SIGTERM);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    logger().notice("%s (pid %d) %s", definition_.label, static_cast<int>(pid_), describeExit(status));
    pid_ = -1;
}

std::optional<pid_t> LaunchdJob::daemonProcess() const
{
    return pid_ > 0 ? std::optional<pid_t>(pid_) : std::nullopt;
}

nlohmann::ordered_json LaunchdJob::describe() const
{
    nlohmann::ordered_json description = {
        {"label", definition_.label},
        {"bundle", definition_.bundle.string()},
        {"program", definition_.program.string()},
        {"machService", definition_.machServiceName},
        {"runAtLoad", definition_.runAtLoad},
        {"keepAlive", definition_.keepAlive},
        {"throttleInterval", definition_.throttleInterval.count()},
        {"listening", acceptor_.is_open()},
        {"pid", pid_ > 0 ? nlohmann::ordered_json(pid_) : nlohmann::ordered_json()},
        {"starts", starts_},
    };
    return description;
}

}  // namespace simmac
