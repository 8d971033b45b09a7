#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "Simulator/Frame.h"
#include "Simulator/QueryMessage.h"
#include "Simulator/SharedReadingsView.h"
#include "Simulator/SimmacError.h"

namespace simulator {

// One connection to simmac over its socket. Every call is safe from any
// thread; calls are served one after another (one request in flight). Failures
// throw SimmacError. A connection whose peer went away, or that timed out in
// the middle of a reply, stays broken: every later call fails.
//
// The reads a process repeats (a registry entry's properties, the power
// sources, an SMC key through the user client) are answered from the readings
// simmac shares in memory (SharedReadingsView), asked for once on first use,
// with no round trip; whatever those do not hold is asked over the socket. A
// shared reading counts as simmac's answer only while simmac renews their
// heartbeat and keeps the connection open: a heartbeat older than the call's
// time-out fails the call as "did not answer in time" and breaks the
// connection, as a reply that never came does.
class SimmacConnection {
public:
    // $SIMMAC_ROOT/var/run/simmac.sock.
    static std::filesystem::path defaultSocketPath();

    // Connects at once; fails with "simmac is not running ..." when nobody
    // listens on the socket.
    explicit SimmacConnection(const std::filesystem::path& socketPath = defaultSocketPath());
    ~SimmacConnection();
    SimmacConnection(const SimmacConnection&) = delete;
    SimmacConnection& operator=(const SimmacConnection&) = delete;

    // Sends the JSON request {"op": operation, ...arguments} and returns the
    // reply's result; an error reply throws SimmacError with simmac's text.
    nlohmann::ordered_json request(std::string_view operation,
                                   const nlohmann::ordered_json& arguments = nlohmann::ordered_json::object(),
                                   std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // Reads with a binary query (QueryMessage.h): a registry property, the
    // power-source information or the system's version. `read` is handed the
    // reply's value in RegistryValueWriter's form; it runs while the
    // connection is held and must not keep the bytes. An error reply throws
    // SimmacError with simmac's text.
    using QueryValueConsumer = std::function<void(std::span<const std::uint8_t> encodedValue)>;
    void query(const QueryCall& call, const QueryValueConsumer& read,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // Opens the user client of the service of class `className` (the
    // "iokit.open" request); its struct methods are then served by this
    // connection.
    void openUserClient(std::string_view className, std::uint32_t type,
                        std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // Calls the struct method `selector` of the user client this connection
    // opened. `output` is filled with what came back (at most output.size()
    // bytes); returns simmac's IOKit return code and the number of bytes.
    struct StructMethodResult {
        std::int32_t status = 0;
        std::size_t outputLength = 0;
    };
    StructMethodResult callStructMethod(std::uint32_t selector, std::span<const std::uint8_t> input,
                                        std::span<std::uint8_t> output,
                                        std::chrono::milliseconds timeout = std::chrono::seconds(5));

    // Messages simmac pushed unasked, oldest first: one that arrived while a
    // request waited for its reply, else one read from the socket within
    // `timeout`. Nothing when none came.
    std::optional<nlohmann::ordered_json> takePush(std::chrono::milliseconds timeout);

    // Pushed messages already read and waiting for takePush. A run loop that
    // watches fileDescriptor() checks this after every request it makes on the
    // same connection, since those messages no longer make the socket readable.
    std::size_t queuedPushCount() const;

    // The socket, for a run loop to watch for pushed messages.
    int fileDescriptor() const { return socket_; }

    // Whether a failure left the connection unusable (see above).
    bool isBroken() const
    {
        std::lock_guard lock(mutex_);
        return broken_;
    }

    // Whether simmac closed its end. The kernel is asked at most once a
    // millisecond: a connection found open less than that ago counts as open,
    // so the dozen reads of a poll pass pay for one check (each costs a system
    // call), and what a read returns is at worst what simmac shared a
    // millisecond before it went away.
    bool peerClosed() const;

private:
    // A frame as read; the payload lives in the receive buffer and is valid
    // until the next frame is read.
    struct FrameView {
        FrameKind kind = FrameKind::reply;
        std::span<const std::uint8_t> payload;
    };

    void sendAll(std::span<const std::uint8_t> bytes);
    void receiveExactly(std::uint8_t* out, std::size_t length, std::chrono::steady_clock::time_point deadline,
                        bool waitFirst);
    // Receives into `out` and keeps a descriptor that came along (only a
    // readings reply carries one; any other is closed).
    ssize_t receiveSome(std::uint8_t* out, std::size_t length);
    // The shared readings, asked for on first use; null when simmac shares
    // none. Fails the call when simmac stopped renewing their heartbeat within
    // `timeout` or closed the connection.
    const SharedReadingsView* sharedReadings(std::chrono::milliseconds timeout);
    bool waitReadable(std::chrono::steady_clock::time_point deadline);
    FrameView receiveFrame(std::chrono::steady_clock::time_point deadline);
    // Reads frames until one of `kind`; pushes met on the way are queued.
    FrameView receiveReply(FrameKind kind, std::chrono::milliseconds timeout);
    nlohmann::ordered_json parsePush(std::span<const std::uint8_t> payload);
    [[noreturn]] void fail(const std::string& message);
    void ensureUsable() const;

    mutable std::mutex mutex_;
    int socket_ = -1;
    bool broken_ = false;
    std::string brokenReason_;
    std::deque<nlohmann::ordered_json> pushes_;
    std::string userClientClass_;
    bool readingsAsked_ = false;
    std::unique_ptr<SharedReadingsView> readings_;
    int receivedDescriptor_ = -1;
    std::vector<std::uint8_t> sharedBody_;
    // Kept from call to call, so that the hot paths allocate nothing here.
    std::vector<std::uint8_t> sendBuffer_;
    std::vector<std::uint8_t> receiveBuffer_;
    // When peerClosed last found the connection open (steady clock).
    mutable std::atomic<std::chrono::steady_clock::rep> seenOpenAt_{0};
};

}  // namespace simulator
