#include "Simmac/SimmacServer.h"

#include <sys/stat.h>

#include <vector>

#include "Log/Logger.h"
#include "Simmac/ClientSession.h"
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
    : context_(context),
      dispatcher_(dispatcher),
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
    std::error_code error;
    std::filesystem::create_directories(socketPath_.parent_path(), error);
    if (error) {
        throw SimulatorError("cannot create " + socketPath_.parent_path().string() + ": " + error.message());
    }
    const asio::local::stream_protocol::endpoint endpoint(socketPath_.string());
    if (std::filesystem::exists(std::filesystem::symlink_status(socketPath_))) {
        asio::local::stream_protocol::socket probe(context_);
        probe.connect(endpoint, error);
        if (!error) {
            throw SimulatorError("another simmac is already running on " + socketPath_.string());
        }
        // Left behind by a simmac that did not stop cleanly.
        std::filesystem::remove(socketPath_, error);
    }
    acceptor_.open(endpoint.protocol(), error);
    if (!error) {
        acceptor_.bind(endpoint, error);
    }
    if (!error) {
        acceptor_.listen(asio::socket_base::max_listen_connections, error);
    }
    if (error) {
        throw SimulatorError("cannot listen on " + socketPath_.string() + ": " + error.message());
    }
    // Reads are open to every user, as on a Mac; privilege is decided per
    // request from the peer's credentials.
    ::chmod(socketPath_.c_str(), 0666);
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
    std::error_code ignored;
    acceptor_.close(ignored);
    std::vector<std::shared_ptr<ClientSession>> open;
    for (const auto& [identifier, session] : sessions_) {
        open.push_back(session);
    }
    for (const auto& session : open) {
        session->close();
    }
    std::filesystem::remove(socketPath_, ignored);
}

}  // namespace simmac
