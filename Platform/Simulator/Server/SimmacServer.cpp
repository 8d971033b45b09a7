#include "Simmac/SimmacServer.h"

#include <vector>

#include "Log/Logger.h"
#include "Simmac/ClientSession.h"
#include "Simmac/Dispatcher.h"
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
      acceptor_(context),
      heartbeat_(context)
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
    std::string failure;
    readings_ = SharedReadingsRegion::create(failure);
    if (readings_) {
        dispatcher_.setReadingsChangedHandler([this] { shareReadings(); });
        shareReadings();
        armHeartbeat();
    } else {
        logger().error("readings are not shared, every read is a round trip: %s", failure);
    }
    acceptNext();
}

void SimmacServer::shareReadings()
{
    readingsContent_.clear();
    dispatcher_.collectSharedReadings(readingsContent_);
    readings_->publish(readingsContent_);
}

void SimmacServer::armHeartbeat()
{
    heartbeat_.expires_after(heartbeatInterval);
    heartbeat_.async_wait([this](const std::error_code& error) {
        if (!error && listening_) {
            readings_->renewHeartbeat();
            armHeartbeat();
        }
    });
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
                                                       readings_ ? readings_->readOnlyDescriptor() : -1,
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
    heartbeat_.cancel();
    if (readings_) {
        dispatcher_.setReadingsChangedHandler(nullptr);
        readings_->endHeartbeat();
    }
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
