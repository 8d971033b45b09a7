#include "Simmac/SimmacServer.h"

#include <vector>

#include "Log/Logger.h"
#include "Simmac/ClientSession.h"
#include "Simmac/ListeningSocket.h"
#include "Simmac/SimulatorError.h"

namespace simmac {

namespace {

const platform::Logger& logger()
{
    static const platform::Logger instance("simmac", "Server");
    return instance;
}

}  // namespace

SimmacServer::SimmacServer(asio::io_context& context, Dispatcher& dispatcher, std::filesystem::path socketPath,
                           uid_t privilegedUid)
    : dispatcher_(dispatcher),
      socketPath_(std::move(socketPath)),
      privilegedUid_(privilegedUid),
      acceptor_(context)
{
}

SimmacServer::~SimmacServer()
{
    stop();
}

void SimmacServer::start()
{
    // Reads are open to every user, as on a Mac; privilege is decided per
    // request from the peer's credentials.
    listenOnSocket(acceptor_, socketPath_, "another simmac is already running on " + socketPath_.string());
    listening_ = true;
    acceptNext();
}

void SimmacServer::acceptNext()
{
    acceptor_.async_accept([this](const std::error_code& error, asio::local::stream_protocol::socket socket) {
        if (error) {
            if (error != asio::error::operation_aborted && listening_) {
                logger().error("accept failed: %s", error.message());
                acceptNext();
            }
            return;
        }
        const std::uint64_t identifier = nextIdentifier_++;
        auto session = std::make_shared<ClientSession>(std::move(socket), dispatcher_, identifier, privilegedUid_,
                                                       [this](std::uint64_t closed) { sessions_.erase(closed); });
        sessions_.emplace(identifier, session);
        session->start();
        acceptNext();
    });
}

void SimmacServer::stop()
{
    if (!listening_) {
        return;
    }
    listening_ = false;
    stopListening(acceptor_, socketPath_);
    std::vector<std::shared_ptr<ClientSession>> open;
    for (const auto& [identifier, session] : sessions_) {
        open.push_back(session);
    }
    for (const auto& session : open) {
        session->close();
    }
}

}  // namespace simmac
