#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>

#include <asio.hpp>

namespace simmac {

class ClientSession;
class Dispatcher;

// simmac's listening socket: accepts connections on the event loop and gives
// each a ClientSession served by the dispatcher.
class SimmacServer {
public:
    // `privilegedUid` is treated as root for privileged requests (root itself
    // always is).
    SimmacServer(asio::io_context& context, Dispatcher& dispatcher, std::filesystem::path socketPath,
                 uid_t privilegedUid);
    ~SimmacServer();

    // Creates the socket's folder, binds and listens; anyone may connect.
    // Throws SimulatorError when another simmac answers on the socket or it
    // cannot be bound.
    void start();
    // Closes the socket and every connection, and removes the socket file.
    void stop();

    const std::filesystem::path& socketPath() const { return socketPath_; }

private:
    void acceptNext();

    Dispatcher& dispatcher_;
    std::filesystem::path socketPath_;
    uid_t privilegedUid_;
    asio::local::stream_protocol::acceptor acceptor_;
    std::map<std::uint64_t, std::shared_ptr<ClientSession>> sessions_;
    std::uint64_t nextIdentifier_ = 1;
    bool listening_ = false;
};

}  // namespace simmac
