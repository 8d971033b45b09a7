#pragma once

#include <sys/types.h>

#include <asio.hpp>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "Log/Logger.h"
#include "XPC/NSXPCExportedObject.h"
#include "XPC/NSXPCInterface.h"
#include "XPC/NSXPCRemoteObjectProxy.h"
#include "XPC/NSXPCReply.h"
#include "XPCFrame.h"
#include "XPCFrameReader.h"
#include "XPCPeerProcess.h"
#include "XPCServingContext.h"

namespace platform {

// The machinery behind one NSXPCConnection: a socket, the strand that serves
// it, the outstanding messages and the handlers. Everything below "State of
// the connection's strand" is touched only by handlers on that strand; the
// configuration is guarded by configMutex_; the peer credentials are atomics.
//
// An accepted connection belongs to the process that connected (see
// XPCPeerProcess): once resumed it first makes sure that nothing was sent
// before it greets the client, then greets, and from then on every byte must
// come from that process while it still runs what it connected with; anything
// else, or the process ending, closes the connection. A client connection
// sends nothing before the listener's greeting.
class XPCConnectionCore : public std::enable_shared_from_this<XPCConnectionCore> {
public:
    struct PeerCredentials {
        pid_t processIdentifier = 0;
        uid_t effectiveUserIdentifier = static_cast<uid_t>(-1);
    };

    static constexpr std::chrono::milliseconds defaultIncompleteFrameTimeout{5000};

    static std::shared_ptr<XPCConnectionCore> makeClient(std::string serviceName);
    // Takes ownership of a connected socket descriptor, served on `context`.
    static std::shared_ptr<XPCConnectionCore> makeAccepted(std::string serviceName, int socketDescriptor,
                                                           std::unique_ptr<XPCPeerProcess> peer,
                                                           std::chrono::milliseconds incompleteFrameTimeout,
                                                           std::shared_ptr<XPCServingContext> context);
    static PeerCredentials peerCredentials(int socketDescriptor);

    ~XPCConnectionCore();

    void setRemoteObjectInterface(NSXPCInterface interface);
    void setExportedInterface(NSXPCInterface interface);
    void setExportedObject(std::shared_ptr<NSXPCExportedObject> object);
    void setInterruptionHandler(std::function<void()> handler);
    void setInvalidationHandler(std::function<void()> handler);
    // Runs on the connection's strand once the connection is invalidated, after
    // the invalidation handler; the listener uses it to let go of the connection.
    void setClosedAction(std::function<void()> action);

    void resume();
    void invalidate();
    void sendMessage(const std::string& selector, std::optional<std::vector<std::uint8_t>> argument,
                     NSXPCReplyHandler reply, NSXPCErrorHandler error);

    // Runs work on the connection's strand.
    void perform(std::function<void()> work);
    // On the connection's strand only: tells the peer it was refused and invalidates.
    void refuse();
    // On the connection's strand only, for an accepted connection: why it
    // must be closed before its delegate is even asked (bytes sent before the
    // greeting), if it must.
    std::optional<std::string> problemBeforeGreeting();
    // The owner let go: invalidate, and for a client let the thread finish
    // and wait for it unless this is that thread.
    void shutdown();

    // From an NSXPCReply, on any thread.
    void answer(std::uint64_t epoch, std::uint64_t requestId, std::string selector, NSXPCReplyValue value);
    void answerFailure(std::uint64_t epoch, std::uint64_t requestId, std::string selector, std::string problem);

    PeerCredentials peer() const;

private:
    enum class Role { client, accepted };

    struct Message {
        std::string selector;
        NSXPCReplyShape replyShape = NSXPCReplyShape::dataAndText;
        std::optional<std::vector<std::uint8_t>> argument;
        NSXPCReplyHandler reply;
        NSXPCErrorHandler error;
    };

    XPCConnectionCore(Role role, std::string serviceName, std::chrono::milliseconds incompleteFrameTimeout,
                      std::shared_ptr<XPCServingContext> context);
    void start();

    void deliver(Message message);
    std::optional<std::string> connect();
    void readMore();
    void onRead(std::uint64_t epoch, const std::error_code& error, std::size_t count);
    // An accepted connection reads with the sender's credentials.
    void receiveFromPeer(std::uint64_t epoch);
    // Cuts what arrived into frames and handles them; false once the socket
    // closed meanwhile.
    bool consume(std::uint64_t epoch, std::size_t count);
    void greetClient();
    void watchPeerProcess();
    void watchIncompleteFrame(bool madeProgress);
    void handleFrame(XPCFrame frame);
    void handleRequest(XPCFrame frame);
    void handleReply(XPCFrame frame);
    void enqueue(const XPCFrame& frame);
    void writeOutbox();
    void closeSocket();
    void protocolViolation(const std::string& problem);
    void peerGone(const std::string& reason);
    void invalidateNow(const std::string& reason);
    std::vector<Message> takeOutstanding();
    void fail(Message& message, const NSError& error);

    NSError interruptedError(const std::string& reason) const;
    NSError invalidError() const;
    NSError replyInvalidError(const std::string& selector, const std::string& problem) const;
    std::string peerDescription() const;

    const Role role_;
    const std::string serviceName_;
    const std::chrono::milliseconds incompleteFrameTimeout_;
    const Logger logger_;

    // A client runs an event loop of its own on its own thread; an accepted
    // connection runs on its listener's serving context. Either way its
    // handlers run one at a time, on its strand, and each holds the core.
    std::shared_ptr<XPCServingContext> servingContext_;
    std::unique_ptr<asio::io_context> ownContext_;
    std::optional<asio::executor_work_guard<asio::io_context::executor_type>> workGuard_;
    asio::strand<asio::io_context::executor_type> strand_;
    asio::local::stream_protocol::socket socket_;
    asio::steady_timer incompleteFrameTimer_;
    // Accepted connections: who connected, and a watch on that process's end.
    std::unique_ptr<XPCPeerProcess> connectedProcess_;
    asio::posix::stream_descriptor peerProcessWatch_;
    std::thread thread_;

    // Set by invalidate() at once, so that no interruption is reported after it.
    std::atomic<bool> invalidationRequested_{false};
    std::atomic<pid_t> peerProcess_{0};
    std::atomic<uid_t> peerUser_{static_cast<uid_t>(-1)};

    std::mutex configMutex_;
    std::shared_ptr<const NSXPCInterface> remoteInterface_;
    std::shared_ptr<const NSXPCInterface> exportedInterface_;
    std::shared_ptr<NSXPCExportedObject> exportedObject_;
    std::function<void()> interruptionHandler_;
    std::function<void()> invalidationHandler_;
    std::function<void()> closedAction_;

    // State of the connection's strand.
    bool resumed_ = false;
    bool invalidated_ = false;
    // A client has its listener's greeting for the present socket.
    bool greeted_ = false;
    std::string invalidationReason_;
    // Bumped whenever the socket closes, so that completions, timers and
    // replies meant for an earlier socket are recognised and dropped.
    std::uint64_t epoch_ = 1;
    std::uint64_t lastRequestId_ = 0;
    std::unordered_map<std::uint64_t, Message> pending_;
    // Messages waiting for resume(), or for the greeting.
    std::vector<Message> parked_;
    XPCFrameReader reader_;
    // Left uninitialised: only the bytes a read fills are ever looked at.
    std::unique_ptr<std::array<std::uint8_t, 16 * 1024>> readBuffer_;
    std::vector<std::uint8_t> outbox_;
    std::vector<std::uint8_t> inflight_;
    bool writing_ = false;
    bool incompleteFrameTimerArmed_ = false;
    std::uint64_t incompleteFrameTimerGeneration_ = 0;
};

}  // namespace platform
