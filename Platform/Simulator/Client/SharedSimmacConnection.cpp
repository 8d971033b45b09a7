#include "Simulator/SharedSimmacConnection.h"

#include <poll.h>

namespace simulator {

namespace {

// Nothing is ever pushed on this connection, so a socket that is readable
// while no request waits for its reply was closed by simmac.
bool closedByPeer(const SimmacConnection& connection)
{
    pollfd entry{connection.fileDescriptor(), POLLIN, 0};
    return ::poll(&entry, 1, 0) != 0;
}

}  // namespace

SharedSimmacConnection& SharedSimmacConnection::instance()
{
    static SharedSimmacConnection shared;
    return shared;
}

std::shared_ptr<SimmacConnection> SharedSimmacConnection::acquire()
{
    const std::filesystem::path socketPath = SimmacConnection::defaultSocketPath();
    std::lock_guard lock(mutex_);
    const bool stale = !connection_ || connection_->isBroken() || socketPath_ != socketPath ||
                       (requestsInFlight_ == 0 && closedByPeer(*connection_));
    if (stale) {
        connection_.reset();
        connection_ = std::make_shared<SimmacConnection>(socketPath);
        socketPath_ = socketPath;
    }
    ++requestsInFlight_;
    return connection_;
}

void SharedSimmacConnection::releaseOne()
{
    std::lock_guard lock(mutex_);
    --requestsInFlight_;
}

nlohmann::ordered_json SharedSimmacConnection::request(std::string_view operation,
                                                       const nlohmann::ordered_json& arguments)
{
    SharedSimmacConnection& shared = instance();
    const std::shared_ptr<SimmacConnection> connection = shared.acquire();
    struct Release {
        SharedSimmacConnection& shared;
        ~Release() { shared.releaseOne(); }
    } release{shared};
    return connection->request(operation, arguments);
}

}  // namespace simulator
