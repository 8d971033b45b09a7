#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>

#include <asio.hpp>

#include "Simmac/SharedReadingsRegion.h"
#include "Simulator/SharedReadingsLayout.h"

namespace simmac {

class ClientSession;
class Dispatcher;

// simmac's listening socket: accepts connections on the event loop and gives
// each a ClientSession served by the dispatcher. While it listens it also
// keeps the shared readings (SharedReadingsLayout.h) current and renews their
// heartbeat.
class SimmacServer {
public:
    // `privilegedUid` is treated as root for privileged requests (root itself
    // always is).
    SimmacServer(asio::io_context& context, Dispatcher& dispatcher, std::filesystem::path socketPath,
                 uid_t privilegedUid);
    ~SimmacServer();

    // How often the shared readings' heartbeat is renewed: well within the
    // second after which a client counts simmac as not answering.
    static constexpr std::chrono::milliseconds heartbeatInterval{100};

    // Creates the socket's folder, binds and listens; anyone may connect.
    // Throws SimulatorError when another simmac answers on the socket or it
    // cannot be bound.
    void start();
    // Closes the socket and every connection, and removes the socket file.
    void stop();

    const std::filesystem::path& socketPath() const { return socketPath_; }

private:
    void acceptNext();
    void shareReadings();
    void armHeartbeat();

    Dispatcher& dispatcher_;
    std::filesystem::path socketPath_;
    uid_t privilegedUid_;
    asio::local::stream_protocol::acceptor acceptor_;
    std::map<std::uint64_t, std::shared_ptr<ClientSession>> sessions_;
    std::uint64_t nextIdentifier_ = 1;
    bool listening_ = false;
    std::unique_ptr<SharedReadingsRegion> readings_;
    simulator::SharedReadingsContent readingsContent_;
    asio::steady_timer heartbeat_;
};

}  // namespace simmac
