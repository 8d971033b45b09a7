#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "Simulator/SimmacConnection.h"

namespace simulator {

// The one connection a process keeps to simmac for its short requests (the
// registry, power sources, power assertions, the operating system). simmac
// ties what a process holds, such as its power assertions, to this connection,
// so it stays open for the life of the process; it is opened on first use and
// opened again when it broke or simmac closed it (simmac restarted), or when
// SIMMAC_ROOT now names another simulated Mac. Safe from any thread.
//
// simmac may hang (stopped, or stuck): a request it does not answer within
// responseTimeout fails, and for a short while after that (a quarter second,
// doubling with each further failure up to four seconds) every request fails
// at once instead of waiting again, so that a caller that polls keeps its
// pace and can report the failure.
class SharedSimmacConnection {
public:
    static constexpr std::chrono::milliseconds responseTimeout{1000};

    // SimmacConnection::request on the process's connection; throws
    // SimmacError when simmac cannot be reached or refuses.
    static nlohmann::ordered_json request(std::string_view operation,
                                          const nlohmann::ordered_json& arguments = nlohmann::ordered_json::object());

    // SimmacConnection::query on the process's connection; throws
    // SimmacError likewise.
    static void query(const QueryCall& call, const SimmacConnection::QueryValueConsumer& read);

private:
    static SharedSimmacConnection& instance();
    // The connection, counted as in use until releaseOne.
    std::shared_ptr<SimmacConnection> acquire();
    // `failed`: the connection broke during the call (simmac closed it, did
    // not answer in time, or sent nonsense), not that simmac refused it.
    void releaseOne(bool failed);
    template <typename Use>
    static auto withConnection(Use&& use);

    std::mutex mutex_;
    std::shared_ptr<SimmacConnection> connection_;
    // SIMMAC_ROOT (empty when unset) when the connection was opened.
    std::string rootSetting_;
    int requestsInFlight_ = 0;
    // Requests fail at once until then, after a failed one.
    std::chrono::steady_clock::time_point quietUntil_;
    std::chrono::milliseconds quietPeriod_{0};
    std::string lastFailure_;
};

}  // namespace simulator
