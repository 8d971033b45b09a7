#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
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
class SharedSimmacConnection {
public:
    // SimmacConnection::request on the process's connection; throws
    // SimmacError when simmac cannot be reached or refuses.
    static nlohmann::ordered_json request(std::string_view operation,
                                          const nlohmann::ordered_json& arguments = nlohmann::ordered_json::object());

private:
    static SharedSimmacConnection& instance();
    std::shared_ptr<SimmacConnection> acquire();
    void releaseOne();

    std::mutex mutex_;
    std::shared_ptr<SimmacConnection> connection_;
    std::filesystem::path socketPath_;
    int requestsInFlight_ = 0;
};

}  // namespace simulator
