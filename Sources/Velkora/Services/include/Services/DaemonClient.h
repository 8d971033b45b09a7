#pragma once

#include "Log/Logger.h"
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
    static std::shared_ptr<DaemonClient> create(std::shared_ptr<TimeoutScheduler> scheduler = TimeoutScheduler::steady());

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

private:
    explicit DaemonClient(std::shared_ptr<TimeoutScheduler> scheduler);

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
};

}  // namespace velkora
