#include "Simulator/SharedSimmacConnection.h"

#include <poll.h>

#include <cstdlib>

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
    // The socket's place follows from SIMMAC_ROOT alone, so it is only worked
    // out again when that setting changed, not on every request.
    const char* root = std::getenv("SIMMAC_ROOT");
    const std::string_view rootSetting = root != nullptr ? root : "";
    std::lock_guard lock(mutex_);
    const bool stale = !connection_ || connection_->isBroken() || rootSetting_ != rootSetting ||
                       (requestsInFlight_ == 0 && closedByPeer(*connection_));
    if (stale) {
        connection_.reset();
        connection_ = std::make_shared<SimmacConnection>(SimmacConnection::defaultSocketPath());
        rootSetting_ = rootSetting;
    }
    ++requestsInFlight_;
    return connection_;
}

void SharedSimmacConnection::releaseOne()
{
    std::lock_guard lock(mutex_);
    --requestsInFlight_;
}

template <typename Use>
auto SharedSimmacConnection::withConnection(Use&& use)
{
    SharedSimmacConnection& shared = instance();
    const std::shared_ptr<SimmacConnection> connection = shared.acquire();
    struct Release {
        SharedSimmacConnection& shared;
        ~Release() { shared.releaseOne(); }
    } release{shared};
    return use(*connection);
}

nlohmann::ordered_json SharedSimmacConnection::request(std::string_view operation,
                                                       const nlohmann::ordered_json& arguments)
{
    return withConnection([&](SimmacConnection& connection) { return connection.request(operation, arguments); });
}

void SharedSimmacConnection::query(const QueryCall& call, const SimmacConnection::QueryValueConsumer& read)
{
    withConnection([&](SimmacConnection& connection) { connection.query(call, read); });
}

}  // namespace simulator
