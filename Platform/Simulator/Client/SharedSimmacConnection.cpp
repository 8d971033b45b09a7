#include "Simulator/SharedSimmacConnection.h"

#include <algorithm>
#include <cstdlib>

namespace simulator {

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
    if (quietPeriod_.count() > 0 && std::chrono::steady_clock::now() < quietUntil_) {
        throw SimmacUnreachable("simmac is not responding: " + lastFailure_);
    }
    const bool stale = !connection_ || connection_->isBroken() || rootSetting_ != rootSetting ||
                       (requestsInFlight_ == 0 && connection_->peerClosed());
    if (stale) {
        connection_.reset();
        connection_ = std::make_shared<SimmacConnection>(SimmacConnection::defaultSocketPath());
        rootSetting_ = rootSetting;
    }
    ++requestsInFlight_;
    return connection_;
}

void SharedSimmacConnection::releaseOne(bool failed)
{
    std::lock_guard lock(mutex_);
    --requestsInFlight_;
    if (failed) {
        quietPeriod_ = std::clamp(quietPeriod_ * 2, std::chrono::milliseconds(250), std::chrono::milliseconds(4000));
        quietUntil_ = std::chrono::steady_clock::now() + quietPeriod_;
    } else {
        quietPeriod_ = std::chrono::milliseconds(0);
    }
}

template <typename Use>
auto SharedSimmacConnection::withConnection(Use&& use)
{
    SharedSimmacConnection& shared = instance();
    const std::shared_ptr<SimmacConnection> connection = shared.acquire();
    struct Release {
        SharedSimmacConnection& shared;
        const SimmacConnection& connection;
        ~Release() { shared.releaseOne(connection.isBroken()); }
    } release{shared, *connection};
    try {
        return use(*connection);
    } catch (const SimmacError& error) {
        if (connection->isBroken()) {
            std::lock_guard lock(shared.mutex_);
            shared.lastFailure_ = error.what();
        }
        throw;
    }
}

nlohmann::ordered_json SharedSimmacConnection::request(std::string_view operation,
                                                       const nlohmann::ordered_json& arguments)
{
    return withConnection(
        [&](SimmacConnection& connection) { return connection.request(operation, arguments, responseTimeout); });
}

void SharedSimmacConnection::query(const QueryCall& call, const SimmacConnection::QueryValueConsumer& read)
{
    withConnection([&](SimmacConnection& connection) { connection.query(call, read, responseTimeout); });
}

}  // namespace simulator
