#pragma once

#include <sys/types.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include <asio.hpp>
#include <nlohmann/json.hpp>

namespace simmac {

class Dispatcher;

// One client connection to simmac, served on the event loop. It reads frames,
// hands each to the dispatcher, and writes replies and pushed messages. A
// connection's requests are answered in order: the next one is read only when
// the current one has its answer.
class ClientSession : public std::enable_shared_from_this<ClientSession> {
public:
    // The connecting process, from SO_PEERCRED when the connection was accepted.
    struct Peer {
        uid_t uid = 0;
        gid_t gid = 0;
        pid_t pid = 0;
    };

    // `sharedReadings`: the read-only descriptor of the shared readings
    // (SharedReadingsRegion), handed to a client that asks; -1 when simmac
    // shares none.
    ClientSession(asio::local::stream_protocol::socket socket, Dispatcher& dispatcher, std::uint64_t identifier,
                  uid_t privilegedUid, int sharedReadings, std::function<void(std::uint64_t)> onClosed);

    // Starts reading; call once, right after construction.
    void start();

    std::uint64_t identifier() const { return identifier_; }
    const Peer& peer() const { return peer_; }
    // Root, or the uid simmac was told to treat as root.
    bool isPrivileged() const { return privileged_; }

    // The class of the service whose user client this connection opened
    // ("AppleSMC"); empty before. Struct-method calls go to that service.
    const std::string& userClientClass() const { return userClientClass_; }
    void setUserClientClass(std::string className) { userClientClass_ = std::move(className); }

    // Sends an unasked message to the peer (dropped when the connection is closed).
    void push(const nlohmann::ordered_json& message);

    // The answer to the JSON request in flight (used by OperationCall).
    void sendReply(const nlohmann::ordered_json& reply);

    void close();

private:
    // Serves buffered requests and reads more, until a request waits for a
    // deferred answer or the socket has nothing for now.
    void serve();
    void processFrames();
    void makeRoomToRead();
    bool readWithoutWaiting();
    void readOnTheLoop();
    void handleFrame(std::uint8_t kind, std::span<const std::uint8_t> payload);
    void handleStructMethod(std::span<const std::uint8_t> payload);
    void handleQuery(std::span<const std::uint8_t> payload);
    void handleReadingsCall();
    void queueFrame(std::vector<std::uint8_t> frame);
    void queueJsonFrame(std::uint8_t kind, const nlohmann::ordered_json& message);
    void writeNext();

    asio::local::stream_protocol::socket socket_;
    Dispatcher& dispatcher_;
    std::uint64_t identifier_;
    int sharedReadings_;
    std::function<void(std::uint64_t)> onClosed_;
    Peer peer_;
    bool privileged_ = false;
    std::string userClientClass_;
    bool open_ = true;

    std::vector<std::uint8_t> readBuffer_;
    std::size_t readStart_ = 0;
    std::size_t readEnd_ = 0;
    bool reading_ = false;
    bool serving_ = false;
    bool requestInFlight_ = false;

    std::deque<std::vector<std::uint8_t>> writeQueue_;
    bool writing_ = false;
    std::vector<std::uint8_t> structOutput_;
    std::vector<std::uint8_t> queryValue_;
};

}  // namespace simmac
