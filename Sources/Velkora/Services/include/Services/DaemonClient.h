#pragma once

#include "Log/Logger.h"
#include "Services/HelperStatus.h"
#include "Services/TimeoutScheduler.h"
#include "VelkoraCore/ChargePolicy.h"
#include "VelkoraCore/ControlCommand.h"
#include "VelkoraCore/DaemonHealth.h"
#include "VelkoraCore/DeviceCapabilities.h"
#include "VelkoraCore/PowerSnapshot.h"

#include <QCoro/QCoroTask>
#include <QHash>
#include <QUuid>

#include <exception>
#include <memory>
#include <mutex>
#include <stop_token>

namespace platform {
class NSXPCConnection;
class SMAppService;
}

namespace velkora {

class AnyPendingCall;

// The application's one way to the helper daemon: one XPC connection to the
// daemon's mach service, built when a call needs it and dropped at the first
// sign of trouble together with every call that waited on it; the next call
// builds a new one. Nothing is retried.
//
// Every operation ends exactly once: with the daemon's reply; with
// ClientError when the call or any other call on its connection times out,
// the connection is interrupted, invalidated or cannot deliver, or the reply
// carries an error text or nothing; with the decoding error when the reply is
// not the expected JSON; or with CancellationError when the stop token is
// triggered while the call is pending (a token already triggered when the
// call starts does not end it). The awaiting coroutine resumes on the thread
// that started the operation, which must run a Qt event loop.
//
// Time-outs are in seconds: finite and not negative (std::invalid_argument
// otherwise, before anything is sent). Usable from any thread; always held in
// a std::shared_ptr.
class DaemonClient : public std::enable_shared_from_this<DaemonClient> {
public:
    // `service` is the helper's registration with the service manager; by
    // default the daemon of "com.velkora.charging-helper.plist" in the main
    // bundle, made on first use.
    static std::shared_ptr<DaemonClient> create(std::shared_ptr<TimeoutScheduler> scheduler = TimeoutScheduler::steady(),
                                                std::shared_ptr<platform::SMAppService> service = nullptr);

    ~DaemonClient();
    DaemonClient(const DaemonClient&) = delete;
    DaemonClient& operator=(const DaemonClient&) = delete;

    // Throws EncodingError at once, before anything is sent, for a command
    // that has no JSON form.
    QCoro::Task<PowerSnapshot> perform(ControlCommand command, double timeout, std::stop_token cancellation = {});
    QCoro::Task<PowerSnapshot> fetchSnapshot(double timeout, std::stop_token cancellation = {});
    QCoro::Task<ChargePolicy> fetchPolicy(std::stop_token cancellation = {});
    QCoro::Task<DaemonHealth> health(double timeout, std::stop_token cancellation = {});
    QCoro::Task<DeviceCapabilities> fetchCapabilities(std::stop_token cancellation = {});

    // Drops the connection, if any, and fails every pending call with
    // ClientError::connectionUnavailable().
    void invalidateConnection();

    // The helper's registration, read from the service manager at each call:
    // enabled, requiresApproval, or notInstalled for anything else.
    HelperStatus status() const;
    // Registers the helper. A registration that waits for the user's approval
    // returns requiresApproval (and logs why) instead of failing, and one that
    // fails while the service manager reports the helper enabled returns
    // enabled; any other failure is thrown unchanged (platform::NSError).
    HelperStatus install();
    // Drops the connection (failing every pending call), then unregisters the
    // helper; an unregistration failure is thrown unchanged.
    void uninstall();

    // Whether `error`, or an error beneath it (NSUnderlyingErrorKey, any
    // depth), means the user must approve the helper: POSIX 1 or 13, or the
    // service manager's 4 or 11. An error that is no platform::NSError, and a
    // chain that comes back to an error already seen, mean no.
    static bool isApprovalRequiredError(const std::exception& error);
    // Likewise, whether it is the service manager's error 1, which the
    // application reports as an inconsistent registration database.
    static bool isRegistrationDatabaseBlockedError(const std::exception& error);

private:
    DaemonClient(std::shared_ptr<TimeoutScheduler> scheduler, std::shared_ptr<platform::SMAppService> service);

    platform::SMAppService& service() const;

    template <typename T, typename Body>
    QCoro::Task<T> callWithErrorHandler(double timeout, std::stop_token cancellation, Body body);

    std::shared_ptr<platform::NSXPCConnection> xpcConnection();
    void failConnection(const std::shared_ptr<platform::NSXPCConnection>& connection, std::exception_ptr error);
    bool isCurrentConnection(const std::shared_ptr<platform::NSXPCConnection>& connection);
    bool removePendingCall(const QUuid& identifier);

    const std::shared_ptr<TimeoutScheduler> scheduler_;
    // Guards connection_ and pendingCalls_. Never held while a call is ended,
    // a connection invalidated or a pending call's own lock taken.
    std::mutex stateLock_;
    std::shared_ptr<platform::NSXPCConnection> connection_;
    QHash<QUuid, std::shared_ptr<AnyPendingCall>> pendingCalls_;
    const platform::Logger logger_;
    // Not under stateLock_: registration runs on the caller's thread.
    mutable std::once_flag serviceCreation_;
    mutable std::shared_ptr<platform::SMAppService> service_;
};

}  // namespace velkora
