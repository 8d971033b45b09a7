#include "XPC/NSXPCListener.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <asio.hpp>

#include <cerrno>
#include <charconv>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <unordered_map>

#include "Foundation/SimulatedRoot.h"
#include "Log/Logger.h"
#include "XPCConnectionCore.h"
#include "XPCPeerProcess.h"

namespace platform {

namespace {

constexpr const char* launchdSocketVariable = "SIMMAC_LAUNCHD_SOCKET_FD";

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
          workGuard(io.get_executor()),
          acceptor(io),
          retryTimer(io)
    {
    }

    std::optional<int> inheritedSocket() const;
    void bindOwnSocket();
    void acceptNext();
    void admit(asio::local::stream_protocol::socket peer);
    void decide(const std::shared_ptr<NSXPCConnection>& connection);
    void forget(NSXPCConnection* connection);

    NSXPCListener& owner;
    const std::string serviceName;
    const std::filesystem::path socketPath;
    const Logger logger;

    std::mutex mutex;
    std::shared_ptr<NSXPCListenerDelegate> delegate;
    std::chrono::milliseconds incompleteFrameTimeout = XPCConnectionCore::defaultIncompleteFrameTimeout;
    std::unordered_map<NSXPCConnection*, std::shared_ptr<NSXPCConnection>> connections;
    bool closing = false;

    // Touched by the thread that resumes or destroys the listener, and by the accepting thread.
    asio::io_context io;
    asio::executor_work_guard<asio::io_context::executor_type> workGuard;
    asio::local::stream_protocol::acceptor acceptor;
    asio::steady_timer retryTimer;
    std::thread thread;
    bool ownsSocketFile = false;
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
    if (impl_->thread.joinable()) {
        asio::post(impl_->io, [impl = impl_.get()] {
            std::error_code ignored;
            impl->acceptor.close(ignored);
            impl->retryTimer.cancel();
            impl->workGuard.reset();
        });
        impl_->thread.join();
    }
    std::unordered_map<NSXPCConnection*, std::shared_ptr<NSXPCConnection>> connections;
    {
        std::lock_guard lock(impl_->mutex);
        std::swap(connections, impl_->connections);
    }
    for (auto& entry : connections) {
        entry.second->invalidate();
    }
    // Each connection's thread is joined as the connection is released.
    connections.clear();
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
    if (impl_->thread.joinable()) {
        return;
    }
    if (const std::optional<int> inherited = impl_->inheritedSocket()) {
        impl_->acceptor.assign(asio::local::stream_protocol(), *inherited);
    } else {
        impl_->bindOwnSocket();
    }
    impl_->acceptNext();
    impl_->thread = std::thread([impl = impl_] { impl->io.run(); });
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
        asio::local::stream_protocol::socket probe(io);
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
    acceptor.async_accept([this](const std::error_code& error, asio::local::stream_protocol::socket peer) {
        // A connection accepted just before the listener closed is dropped with it.
        if (!acceptor.is_open() || error == asio::error::operation_aborted) {
            return;
        }
        if (error) {
            // Out of descriptors or memory: try again shortly instead of spinning.
            logger.error("Accepting a connection for \"%s\" failed: %s", serviceName, error.message());
            retryTimer.expires_after(std::chrono::milliseconds(100));
            retryTimer.async_wait([this](const std::error_code& waitError) {
                if (!waitError && acceptor.is_open()) {
                    acceptNext();
                }
            });
            return;
        }
        admit(std::move(peer));
        acceptNext();
    });
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
    auto core = XPCConnectionCore::makeAccepted(serviceName, descriptor, std::move(peerProcess), timeout);
    std::shared_ptr<NSXPCConnection> connection(new NSXPCConnection(core));
    {
        std::lock_guard lock(mutex);
        if (closing) {
            return;
        }
        connections.emplace(connection.get(), connection);
    }
    std::weak_ptr<Impl> weakSelf = weak_from_this();
    core->setClosedAction([weakSelf, key = connection.get()] {
        if (auto self = weakSelf.lock()) {
            self->forget(key);
        }
    });
    core->perform([weakSelf, connection] {
        if (auto self = weakSelf.lock()) {
            self->decide(connection);
        }
    });
}

void NSXPCListener::Impl::decide(const std::shared_ptr<NSXPCConnection>& connection)
{
    std::shared_ptr<NSXPCListenerDelegate> currentDelegate;
    {
        std::lock_guard lock(mutex);
        if (!closing) {
            currentDelegate = delegate;
        }
    }
    // Bytes sent before the greeting may be a program's that has since
    // exec'd the one the delegate would check: no check can make them its.
    if (const std::optional<std::string> problem = connection->core_->problemBeforeGreeting();
        problem && connection->processIdentifier() > 0) {
        logger.error("Refusing a connection to \"%s\" from pid %d: %s", serviceName,
                     static_cast<int>(connection->processIdentifier()), *problem);
        connection->core_->refuse();
        return;
    }
    if (!currentDelegate || !currentDelegate->shouldAcceptNewConnection(owner, connection)) {
        connection->core_->refuse();
    }
}

void NSXPCListener::Impl::forget(NSXPCConnection* connection)
{
    std::shared_ptr<NSXPCConnection> released;
    {
        std::lock_guard lock(mutex);
        if (auto found = connections.find(connection); found != connections.end()) {
            released = std::move(found->second);
            connections.erase(found);
        }
    }
}

}  // namespace platform
