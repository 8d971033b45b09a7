#include "XPC/NSXPCListener.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <asio.hpp>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <future>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <unordered_map>

#include "Foundation/SimulatedRoot.h"
#include "Log/Logger.h"
#include "XPCCheckQueue.h"
#include "XPCConnectionCore.h"
#include "XPCFrame.h"
#include "XPCPeerProcess.h"
#include "XPCServingContext.h"

namespace platform {

namespace {

constexpr const char* launchdSocketVariable = "SIMMAC_LAUNCHD_SOCKET_FD";

// Accepted connections share these threads; none of their handlers blocks.
constexpr std::size_t servingThreadCount = 2;
// Checks read files of the client's choosing within their own time limit;
// clients beyond the waiting places are refused at once.
constexpr std::size_t checkWorkerCount = 4;
constexpr std::size_t checkWaitingLimit = 64;
// An accepted connection holds its socket, a handle on its peer process and
// a watch on that handle. The daemon keeps descriptors of its own aside (its
// SMC and system connections, its files, the programs it runs).
constexpr std::size_t descriptorsPerConnection = 3;
constexpr rlim_t reservedDescriptors = 48;
constexpr std::size_t maximumConnections = 4096;

std::system_error listenerError(int code, const std::string& serviceName, const std::string& problem)
{
    return std::system_error(code, std::generic_category(),
                             "Cannot listen for XPC service \"" + serviceName + "\": " + problem);
}

// Each read of a socket with it names the writer of the bytes, so that
// bytes from anyone but the connecting process are recognised.
bool passSenderCredentials(int descriptor)
{
    const int on = 1;
    return setsockopt(descriptor, SOL_SOCKET, SO_PASSCRED, &on, sizeof on) == 0;
}

bool samePath(const std::filesystem::path& left, const std::filesystem::path& right)
{
    if (left == right) {
        return true;
    }
    std::error_code error;
    return std::filesystem::equivalent(left, right, error) && !error;
}

}  // namespace

struct NSXPCListener::Impl : std::enable_shared_from_this<NSXPCListener::Impl> {
    Impl(NSXPCListener& owner, std::string serviceName)
        : owner(owner),
          serviceName(std::move(serviceName)),
          socketPath(socketPathForMachService(this->serviceName)),
          logger("simmac.xpc", "Listener"),
          serving(XPCServingContext::make()),
          acceptStrand(asio::make_strand(serving->io())),
          acceptor(acceptStrand),
          retryTimer(acceptStrand)
    {
    }

    std::optional<int> inheritedSocket() const;
    void bindOwnSocket();
    void acceptNext();
    void retryAcceptingSoon(const std::error_code& error);
    void admit(asio::local::stream_protocol::socket peer);
    // How many connections the descriptor limit leaves room for now.
    std::size_t connectionLimit() const;
    // Why a new connection of `pid` cannot be taken now, if it cannot.
    std::optional<std::string> problemTakingConnection(pid_t pid) const;
    void turnAway(int descriptor, pid_t pid, const std::string& problem);
    void decide(const std::shared_ptr<NSXPCConnection>& connection);
    void forget(NSXPCConnection* connection);

    NSXPCListener& owner;
    const std::string serviceName;
    const std::filesystem::path socketPath;
    const Logger logger;

    // Declared before everything bound to its event loop, so that it is let go of last.
    const std::shared_ptr<XPCServingContext> serving;

    std::mutex mutex;
    std::shared_ptr<NSXPCListenerDelegate> delegate;
    std::chrono::milliseconds incompleteFrameTimeout = XPCConnectionCore::defaultIncompleteFrameTimeout;
    struct Accepted {
        std::shared_ptr<NSXPCConnection> connection;
        pid_t pid = 0;
    };
    std::unordered_map<NSXPCConnection*, Accepted> connections;
    std::unordered_map<pid_t, std::size_t> connectionsPerProcess;
    bool closing = false;
    // Accepting waits while the listener has all the connections it may have.
    bool acceptingPaused = false;
    std::chrono::steady_clock::time_point lastPausedLine;
    // Turned-away connections are logged at most once a second, with a count of the rest.
    std::chrono::steady_clock::time_point lastTurnedAwayLine;
    std::size_t turnedAwayUnlogged = 0;

    std::unique_ptr<XPCCheckQueue> checks;

    // Touched on the accepting strand, and by resume() before it starts.
    asio::strand<asio::io_context::executor_type> acceptStrand;
    asio::local::stream_protocol::acceptor acceptor;
    asio::steady_timer retryTimer;
    bool ownsSocketFile = false;
    bool resumed = false;
};

std::filesystem::path NSXPCListener::socketPathForMachService(std::string_view machServiceName)
{
    if (machServiceName.empty() || machServiceName == "." || machServiceName == ".." ||
        machServiceName.find('/') != std::string_view::npos ||
        machServiceName.find('\0') != std::string_view::npos) {
        throw std::invalid_argument("\"" + std::string(machServiceName) + "\" cannot name an XPC service");
    }
    return SimulatedRoot::resolve("/var/run/xpc") / std::string(machServiceName);
}

NSXPCListener::NSXPCListener(std::string machServiceName)
    : impl_(std::make_shared<Impl>(*this, std::move(machServiceName)))
{
}

NSXPCListener::~NSXPCListener()
{
    {
        std::lock_guard lock(impl_->mutex);
        impl_->closing = true;
    }
    if (impl_->resumed) {
        std::promise<void> closed;
        asio::post(impl_->acceptStrand, [impl = impl_.get(), &closed] {
            std::error_code ignored;
            impl->acceptor.close(ignored);
            impl->retryTimer.cancel();
            closed.set_value();
        });
        closed.get_future().wait();
    }
    // Checks under way end before their connections are let go of.
    impl_->checks.reset();
    std::unordered_map<NSXPCConnection*, Impl::Accepted> connections;
    {
        std::lock_guard lock(impl_->mutex);
        std::swap(connections, impl_->connections);
        impl_->connectionsPerProcess.clear();
    }
    for (auto& entry : connections) {
        entry.second.connection->invalidate();
    }
    connections.clear();
    impl_->serving->finish();
    if (impl_->ownsSocketFile) {
        std::error_code ignored;
        std::filesystem::remove(impl_->socketPath, ignored);
    }
}

void NSXPCListener::setDelegate(std::shared_ptr<NSXPCListenerDelegate> delegate)
{
    std::unique_lock lock(impl_->mutex);
    std::swap(impl_->delegate, delegate);
    lock.unlock();
}

void NSXPCListener::setIncompleteFrameTimeout(std::chrono::milliseconds timeout)
{
    std::lock_guard lock(impl_->mutex);
    impl_->incompleteFrameTimeout = timeout;
}

void NSXPCListener::resume()
{
    if (impl_->resumed) {
        return;
    }
    if (const std::optional<int> inherited = impl_->inheritedSocket()) {
        impl_->acceptor.assign(asio::local::stream_protocol(), *inherited);
    } else {
        impl_->bindOwnSocket();
    }
    impl_->checks = std::make_unique<XPCCheckQueue>(checkWorkerCount, checkWaitingLimit);
    if (impl_->checks->workerCount() == 0 || impl_->serving->start(servingThreadCount) == 0) {
        std::error_code ignored;
        impl_->acceptor.close(ignored);
        throw listenerError(EAGAIN, impl_->serviceName, "no thread can be started to serve it");
    }
    impl_->resumed = true;
    asio::post(impl_->acceptStrand, [impl = impl_] { impl->acceptNext(); });
}

// The launchd check-in: a socket the service manager bound to this service's
// path before it started the process.
std::optional<int> NSXPCListener::Impl::inheritedSocket() const
{
    const char* variable = std::getenv(launchdSocketVariable);
    if (variable == nullptr) {
        return std::nullopt;
    }
    const std::string_view text(variable);
    int descriptor = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), descriptor);
    if (error != std::errc() || end != text.data() + text.size() || descriptor < 0) {
        logger.error("Ignoring %s=\"%s\": not a file descriptor", launchdSocketVariable, variable);
        return std::nullopt;
    }
    sockaddr_un address{};
    socklen_t length = sizeof address;
    int type = 0;
    socklen_t typeLength = sizeof type;
    if (getsockname(descriptor, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        address.sun_family != AF_UNIX ||
        getsockopt(descriptor, SOL_SOCKET, SO_TYPE, &type, &typeLength) != 0 || type != SOCK_STREAM) {
        logger.error("Ignoring inherited descriptor %d: not a Unix stream socket", descriptor);
        return std::nullopt;
    }
    const std::size_t pathLength = length > offsetof(sockaddr_un, sun_path) ? length - offsetof(sockaddr_un, sun_path) : 0;
    const std::string boundPath(address.sun_path, strnlen(address.sun_path, pathLength));
    if (boundPath.empty() || !samePath(boundPath, socketPath)) {
        logger.notice("Inherited socket %d is bound to \"%s\", not \"%s\"; binding our own", descriptor, boundPath,
                      socketPath.string());
        return std::nullopt;
    }
    if (listen(descriptor, SOMAXCONN) != 0 || !passSenderCredentials(descriptor)) {
        logger.error("Cannot listen on inherited socket %d: %s", descriptor, std::strerror(errno));
        return std::nullopt;
    }
    fcntl(descriptor, F_SETFD, FD_CLOEXEC);
    return descriptor;
}

void NSXPCListener::Impl::bindOwnSocket()
{
    std::error_code error;
    std::filesystem::create_directories(socketPath.parent_path(), error);
    if (error) {
        throw listenerError(error.value(), serviceName, "cannot create " + socketPath.parent_path().string() + ": " +
                                                            error.message());
    }
    const auto status = std::filesystem::symlink_status(socketPath, error);
    if (std::filesystem::exists(status)) {
        if (!std::filesystem::is_socket(status)) {
            throw listenerError(EEXIST, serviceName, socketPath.string() + " exists and is not a socket");
        }
        // A socket file that refuses connections was left by a listener that is gone.
        asio::local::stream_protocol::socket probe(serving->io());
        probe.connect(asio::local::stream_protocol::endpoint(socketPath.string()), error);
        if (!error) {
            throw listenerError(EADDRINUSE, serviceName, "another listener serves " + socketPath.string());
        }
        std::filesystem::remove(socketPath, error);
    }
    try {
        const asio::local::stream_protocol::endpoint endpoint(socketPath.string());
        acceptor.open(endpoint.protocol());
        acceptor.bind(endpoint);
        acceptor.listen(SOMAXCONN);
        if (!passSenderCredentials(acceptor.native_handle())) {
            throw std::system_error(errno, std::generic_category());
        }
    } catch (const std::system_error& problem) {
        std::error_code ignored;
        acceptor.close(ignored);
        throw listenerError(problem.code().value(), serviceName,
                            "cannot bind " + socketPath.string() + ": " + problem.code().message());
    }
    ownsSocketFile = true;
    // Anyone may connect, as to any mach service; the delegate decides who is served.
    chmod(socketPath.c_str(), 0666);
}

void NSXPCListener::Impl::acceptNext()
{
    {
        // At the limit, new clients wait in the socket's backlog rather than
        // being turned away: the next connection that ends lets one in.
        std::lock_guard lock(mutex);
        if (const std::size_t limit = connectionLimit(); connections.size() >= limit) {
            acceptingPaused = true;
            if (const auto now = std::chrono::steady_clock::now(); now - lastPausedLine >= std::chrono::seconds(1)) {
                lastPausedLine = now;
                logger.error("Not accepting connections to \"%s\" for now: it has %zu, as many as its descriptor "
                             "limit allows",
                             serviceName, connections.size());
            }
            return;
        }
    }
    acceptor.async_accept(
        [self = shared_from_this()](const std::error_code& error, asio::local::stream_protocol::socket peer) {
            // A connection accepted just before the listener closed is dropped with it.
            if (!self->acceptor.is_open() || error == asio::error::operation_aborted) {
                return;
            }
            if (error == std::errc::too_many_files_open || error == std::errc::too_many_files_open_in_system ||
                error == std::errc::no_buffer_space || error == std::errc::not_enough_memory) {
                self->retryAcceptingSoon(error);
                return;
            }
            if (!error) {
                try {
                    self->admit(std::move(peer));
                } catch (const std::exception& problem) {
                    // Out of memory or descriptors: this connection is dropped, the listener goes on.
                    self->logger.error("Dropping a connection to \"%s\": %s", self->serviceName, problem.what());
                }
            }
            self->acceptNext();
        });
}

// The connection waits in the socket's backlog meanwhile; trying again at
// once would only spin.
void NSXPCListener::Impl::retryAcceptingSoon(const std::error_code& error)
{
    logger.error("Cannot accept a connection for \"%s\" now: %s; trying again in 100 ms", serviceName,
                 error.message());
    retryTimer.expires_after(std::chrono::milliseconds(100));
    retryTimer.async_wait([self = shared_from_this()](const std::error_code& waitError) {
        if (!waitError && self->acceptor.is_open()) {
            self->acceptNext();
        }
    });
}

std::size_t NSXPCListener::Impl::connectionLimit() const
{
    rlimit descriptors{};
    std::size_t limit = maximumConnections;
    if (getrlimit(RLIMIT_NOFILE, &descriptors) == 0 && descriptors.rlim_cur != RLIM_INFINITY) {
        const std::size_t available =
            descriptors.rlim_cur > reservedDescriptors ? descriptors.rlim_cur - reservedDescriptors : 0;
        limit = std::min(limit, available / descriptorsPerConnection);
    }
    return limit;
}

std::optional<std::string> NSXPCListener::Impl::problemTakingConnection(pid_t pid) const
{
    const std::size_t limit = connectionLimit();
    if (connections.size() >= limit) {
        return "it already has " + std::to_string(connections.size()) + " connections, as many as its descriptor "
               "limit allows";
    }
    const std::size_t perProcessLimit = std::max<std::size_t>(1, limit / 4);
    if (const auto found = connectionsPerProcess.find(pid);
        found != connectionsPerProcess.end() && found->second >= perProcessLimit) {
        return "the process already has " + std::to_string(found->second) + " connections, the most one may have";
    }
    return std::nullopt;
}

void NSXPCListener::Impl::turnAway(int descriptor, pid_t pid, const std::string& problem)
{
    const std::vector<std::uint8_t> refusal = XPCFrame{XPCFrameKind::refused, 0, {}, {}, {}}.encoded();
    // Never waits: a peer that reads nothing only misses the reason.
    [[maybe_unused]] const ssize_t sent = ::send(descriptor, refusal.data(), refusal.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    const auto now = std::chrono::steady_clock::now();
    std::unique_lock lock(mutex);
    if (now - lastTurnedAwayLine < std::chrono::seconds(1)) {
        ++turnedAwayUnlogged;
        return;
    }
    const std::size_t unlogged = std::exchange(turnedAwayUnlogged, 0);
    lastTurnedAwayLine = now;
    lock.unlock();
    if (unlogged > 0) {
        logger.error("Refusing a connection to \"%s\" from pid %d: %s (and %zu more since the last such line)",
                     serviceName, static_cast<int>(pid), problem, unlogged);
    } else {
        logger.error("Refusing a connection to \"%s\" from pid %d: %s", serviceName, static_cast<int>(pid), problem);
    }
}

void NSXPCListener::Impl::admit(asio::local::stream_protocol::socket peer)
{
    // Set on the accepted socket itself, before the greeting: a socket that
    // was waiting in the backlog when the listener took its socket over
    // does not always inherit it.
    if (!passSenderCredentials(peer.native_handle())) {
        logger.error("Cannot take over a connection for \"%s\": %s", serviceName, std::strerror(errno));
        return;
    }
    const pid_t pid = XPCConnectionCore::peerCredentials(peer.native_handle()).processIdentifier;
    std::optional<std::string> problem;
    {
        std::lock_guard lock(mutex);
        if (closing) {
            return;
        }
        problem = problemTakingConnection(pid);
    }
    if (problem) {
        turnAway(peer.native_handle(), pid, *problem);
        return;
    }
    auto peerProcess = std::make_unique<XPCPeerProcess>(peer.native_handle());
    std::error_code error;
    const int descriptor = peer.release(error);
    if (error) {
        logger.error("Cannot take over a connection for \"%s\": %s", serviceName, error.message());
        return;
    }
    std::chrono::milliseconds timeout;
    {
        std::lock_guard lock(mutex);
        timeout = incompleteFrameTimeout;
    }
    auto core = XPCConnectionCore::makeAccepted(serviceName, descriptor, std::move(peerProcess), timeout, serving);
    std::shared_ptr<NSXPCConnection> connection(new NSXPCConnection(core));
    {
        std::lock_guard lock(mutex);
        if (closing) {
            return;
        }
        connections.emplace(connection.get(), Accepted{connection, pid});
        ++connectionsPerProcess[pid];
    }
    std::weak_ptr<Impl> weakSelf = weak_from_this();
    core->setClosedAction([weakSelf, key = connection.get()] {
        if (auto self = weakSelf.lock()) {
            self->forget(key);
        }
    });
    const bool lined = checks->submit([weakSelf, connection] {
        if (auto self = weakSelf.lock()) {
            try {
                self->decide(connection);
            } catch (const std::exception& problem) {
                self->logger.error("Checking a connection to \"%s\" from pid %d failed: %s", self->serviceName,
                                   static_cast<int>(connection->processIdentifier()), problem.what());
                connection->core_->perform([core = connection->core_] { core->refuse(); });
            }
        }
    });
    if (!lined) {
        logger.error("Refusing a connection to \"%s\" from pid %d: %zu connections already wait for their check",
                     serviceName, static_cast<int>(pid), checkWaitingLimit);
        core->perform([core] { core->refuse(); });
    }
}

// On a check worker.
void NSXPCListener::Impl::decide(const std::shared_ptr<NSXPCConnection>& connection)
{
    std::shared_ptr<NSXPCListenerDelegate> currentDelegate;
    {
        std::lock_guard lock(mutex);
        if (!closing) {
            currentDelegate = delegate;
        }
    }
    const std::shared_ptr<XPCConnectionCore>& core = connection->core_;
    // Bytes sent before the greeting may be a program's that has since
    // exec'd the one the delegate would check: no check can make them its.
    // Looked at once more on the connection's strand when it is resumed.
    if (const std::optional<std::string> problem = core->problemBeforeGreeting();
        problem && connection->processIdentifier() > 0) {
        logger.error("Refusing a connection to \"%s\" from pid %d: %s", serviceName,
                     static_cast<int>(connection->processIdentifier()), *problem);
        core->perform([core] { core->refuse(); });
        return;
    }
    if (!currentDelegate || !currentDelegate->shouldAcceptNewConnection(owner, connection)) {
        core->perform([core] { core->refuse(); });
    }
}

void NSXPCListener::Impl::forget(NSXPCConnection* connection)
{
    std::shared_ptr<NSXPCConnection> released;
    bool resumeAccepting = false;
    {
        std::lock_guard lock(mutex);
        if (auto found = connections.find(connection); found != connections.end()) {
            released = std::move(found->second.connection);
            if (auto counted = connectionsPerProcess.find(found->second.pid);
                counted != connectionsPerProcess.end() && --counted->second == 0) {
                connectionsPerProcess.erase(counted);
            }
            connections.erase(found);
        }
        if (acceptingPaused && !closing && connections.size() < connectionLimit()) {
            acceptingPaused = false;
            resumeAccepting = true;
        }
    }
    if (resumeAccepting) {
        asio::post(acceptStrand, [self = shared_from_this()] {
            if (self->acceptor.is_open()) {
                self->acceptNext();
            }
        });
    }
}

}  // namespace platform
