#include "Services/DaemonClient.h"

#include "ContinuationGuard.h"
#include "Services/CancellationError.h"
#include "Services/ClientError.h"
#include "Services/VelkoraDaemonProxy.h"
#include "VelkoraCore/IPC.h"
#include "XPC/NSXPCConnection.h"
#include "XPC/NSXPCError.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace velkora {

using platform::NSError;
using platform::NSXPCConnection;

namespace {

std::chrono::nanoseconds timeoutDelay(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0) {
        throw std::invalid_argument("A daemon call's time-out must be a finite, non-negative number of seconds, not " +
                                    std::to_string(seconds));
    }
    const double nanoseconds = seconds * 1e9;
    using Count = std::chrono::nanoseconds::rep;
    // The steady clock counts in signed nanoseconds; a longer wait is as good as endless.
    if (nanoseconds >= static_cast<double>(std::numeric_limits<Count>::max())) {
        return std::chrono::nanoseconds::max();
    }
    return std::chrono::nanoseconds(static_cast<Count>(nanoseconds));
}

// A reply pair as the call's result: an error text wins over data, no data
// at all is an invalid response, and data that is not a T fails with the
// decoder's own error.
template <typename T>
CallResult<T> decodeReply(const std::optional<std::vector<std::uint8_t>>& data, const std::optional<std::string>& text)
{
    if (text) {
        return std::make_exception_ptr(ClientError::remote(*text));
    }
    if (!data) {
        return std::make_exception_ptr(ClientError::invalidResponse());
    }
    try {
        return IPC::decode<T>(*data);
    } catch (...) {
        return std::current_exception();
    }
}

// A connection that went away, as its interruption and invalidation handlers
// report it, is unavailable whichever of them or the proxy hears of it first;
// any other delivery failure carries the platform's text.
std::exception_ptr proxyFailure(const NSError& error)
{
    const bool connectionLost = error.domain() == platform::NSCocoaErrorDomain &&
                                (error.code() == platform::NSXPCConnectionInterrupted ||
                                 error.code() == platform::NSXPCConnectionInvalid);
    if (connectionLost) {
        return std::make_exception_ptr(ClientError::connectionUnavailable());
    }
    return std::make_exception_ptr(ClientError::remote(error.localizedDescription()));
}

template <typename T>
auto decodingInto(std::function<void(CallResult<T>)> complete)
{
    return [complete = std::move(complete)](std::optional<std::vector<std::uint8_t>> data,
                                            std::optional<std::string> text) {
        complete(decodeReply<T>(data, text));
    };
}

}  // namespace

std::shared_ptr<DaemonClient> DaemonClient::create(std::shared_ptr<TimeoutScheduler> scheduler,
                                                   std::shared_ptr<platform::SMAppService> service)
{
    return std::shared_ptr<DaemonClient>(new DaemonClient(std::move(scheduler), std::move(service)));
}

DaemonClient::DaemonClient(std::shared_ptr<TimeoutScheduler> scheduler, std::shared_ptr<platform::SMAppService> service)
    : scheduler_(std::move(scheduler)), logger_(std::string(IPC::machServiceName), "XPCClient"),
      service_(std::move(service))
{
}

DaemonClient::~DaemonClient() = default;

// The operations are plain functions that hand back the call's coroutine: a
// command that cannot be encoded fails here, before any call begins.
QCoro::Task<PowerSnapshot> DaemonClient::perform(ControlCommand command, double timeout, std::stop_token cancellation)
{
    std::vector<std::uint8_t> commandData = IPC::encode(command);
    return callWithErrorHandler<PowerSnapshot>(
        timeout, std::move(cancellation),
        [commandData = std::move(commandData)](VelkoraDaemonProtocol& daemon, auto complete) mutable {
            daemon.perform(std::move(commandData), decodingInto<PowerSnapshot>(std::move(complete)));
        });
}

QCoro::Task<PowerSnapshot> DaemonClient::fetchSnapshot(double timeout, std::stop_token cancellation)
{
    return callWithErrorHandler<PowerSnapshot>(
        timeout, std::move(cancellation), [](VelkoraDaemonProtocol& daemon, auto complete) {
            daemon.fetchSnapshot(decodingInto<PowerSnapshot>(std::move(complete)));
        });
}

QCoro::Task<ChargePolicy> DaemonClient::fetchPolicy(std::stop_token cancellation)
{
    return callWithErrorHandler<ChargePolicy>(10, std::move(cancellation), [](VelkoraDaemonProtocol& daemon, auto complete) {
        daemon.fetchPolicy(decodingInto<ChargePolicy>(std::move(complete)));
    });
}

QCoro::Task<DaemonHealth> DaemonClient::health(double timeout, std::stop_token cancellation)
{
    return callWithErrorHandler<DaemonHealth>(
        timeout, std::move(cancellation), [](VelkoraDaemonProtocol& daemon, auto complete) {
            daemon.health(decodingInto<DaemonHealth>(std::move(complete)));
        });
}

QCoro::Task<DeviceCapabilities> DaemonClient::fetchCapabilities(std::stop_token cancellation)
{
    return callWithErrorHandler<DeviceCapabilities>(
        10, std::move(cancellation), [](VelkoraDaemonProtocol& daemon, auto complete) {
            daemon.fetchCapabilities(decodingInto<DeviceCapabilities>(std::move(complete)));
        });
}

// One call: a holder in the table from just after it has its continuation until
// whoever takes it out (reply, caller's cancellation, unusable proxy, dropped
// connection) ends it. The coroutine keeps the client alive until then; every
// handler holds the client and the connection weakly.
template <typename T, typename Body>
QCoro::Task<T> DaemonClient::callWithErrorHandler(double timeout, std::stop_token cancellation, Body body)
{
    const std::chrono::nanoseconds delay = timeoutDelay(timeout);
    const std::shared_ptr<DaemonClient> self = shared_from_this();
    const std::weak_ptr<DaemonClient> weakSelf = self;
    const QUuid identifier = QUuid::createUuid();
    const auto holder = std::make_shared<ContinuationGuard<T>>();

    const CheckedContinuation<T> continuation;

    // Runs at once when the token was triggered before the call began; it
    // then finds no entry, and the call goes on to its reply or time-out.
    const std::stop_callback cancellationHandler(cancellation, [weakSelf, identifier, holder] {
        if (const auto client = weakSelf.lock(); client && client->removePendingCall(identifier)) {
            holder->resumeThrowing(std::make_exception_ptr(CancellationError()));
        }
    });

    holder->store(continuation);
    {
        std::lock_guard lock(stateLock_);
        pendingCalls_.insert(identifier, holder);
    }
    {
        // Only the pending call and the handlers refer to the connection
        // while the caller waits.
        const std::shared_ptr<NSXPCConnection> connection = xpcConnection();
        const std::weak_ptr<NSXPCConnection> weakConnection = connection;

        holder->setTimeoutTask(scheduler_->schedule(delay, [weakSelf, weakConnection, timeout] {
            const auto client = weakSelf.lock();
            const auto used = weakConnection.lock();
            // A connection dropped meanwhile has already ended this call.
            if (!client || !used || !client->isCurrentConnection(used)) {
                return;
            }
            client->logger_.error("XPC request timed out after %{public}fs", timeout);
            client->failConnection(used, std::make_exception_ptr(ClientError::connectionUnavailable()));
        }));

        VelkoraDaemonProxy daemon(
            connection->remoteObjectProxyWithErrorHandler([weakSelf, weakConnection](const NSError& error) {
                const auto client = weakSelf.lock();
                const auto used = weakConnection.lock();
                if (!client || !used) {
                    return;
                }
                client->logger_.error("XPC proxy error: %{public}s", error.localizedDescription());
                client->failConnection(used, proxyFailure(error));
            }));
        std::function<void(CallResult<T>)> complete = [weakSelf, identifier, holder](CallResult<T> result) {
            if (const auto client = weakSelf.lock(); client && client->removePendingCall(identifier)) {
                holder->resume(std::move(result));
            }
        };
        try {
            body(daemon, std::move(complete));
        } catch (const std::logic_error&) {
            // The proxy does not speak the daemon's protocol: this call alone
            // fails, and the connection stays.
            if (removePendingCall(identifier)) {
                holder->resumeThrowing(std::make_exception_ptr(ClientError::connectionUnavailable()));
            }
        }
    }
    co_return co_await continuation;
}

std::shared_ptr<NSXPCConnection> DaemonClient::xpcConnection()
{
    std::lock_guard lock(stateLock_);
    if (connection_) {
        return connection_;
    }
    auto connection =
        std::make_shared<NSXPCConnection>(std::string(IPC::machServiceName), platform::NSXPCConnectionOptions::none);
    connection->setRemoteObjectInterface(VelkoraDaemonProxy::interface());
    const std::weak_ptr<DaemonClient> weakSelf = weak_from_this();
    const std::weak_ptr<NSXPCConnection> weakConnection = connection;
    const auto dropped = [weakSelf, weakConnection] {
        const auto client = weakSelf.lock();
        const auto lost = weakConnection.lock();
        if (client && lost) {
            client->failConnection(lost, std::make_exception_ptr(ClientError::connectionUnavailable()));
        }
    };
    connection->setInvalidationHandler(dropped);
    connection->setInterruptionHandler(dropped);
    connection->resume();
    connection_ = connection;
    return connection;
}

void DaemonClient::failConnection(const std::shared_ptr<NSXPCConnection>& connection, std::exception_ptr error)
{
    QList<std::shared_ptr<AnyPendingCall>> taken;
    {
        std::lock_guard lock(stateLock_);
        if (!connection_ || connection_ != connection) {
            return;
        }
        // The caller's reference keeps the connection alive past the lock.
        connection_.reset();
        taken = pendingCalls_.values();
        pendingCalls_.clear();
    }
    connection->invalidate();
    for (const std::shared_ptr<AnyPendingCall>& call : taken) {
        call->fail(error);
    }
}

void DaemonClient::invalidateConnection()
{
    std::shared_ptr<NSXPCConnection> connection;
    QList<std::shared_ptr<AnyPendingCall>> taken;
    {
        std::lock_guard lock(stateLock_);
        std::swap(connection, connection_);
        taken = pendingCalls_.values();
        pendingCalls_.clear();
    }
    if (connection) {
        connection->invalidate();
    }
    const std::exception_ptr error = std::make_exception_ptr(ClientError::connectionUnavailable());
    for (const std::shared_ptr<AnyPendingCall>& call : taken) {
        call->fail(error);
    }
}

bool DaemonClient::isCurrentConnection(const std::shared_ptr<NSXPCConnection>& connection)
{
    std::lock_guard lock(stateLock_);
    return connection_ && connection_ == connection;
}

bool DaemonClient::removePendingCall(const QUuid& identifier)
{
    std::lock_guard lock(stateLock_);
    return pendingCalls_.remove(identifier) > 0;
}

}  // namespace velkora
