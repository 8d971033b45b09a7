// A client of the daemon for the end-to-end tests. It runs as the application
// does, from a bundle signed with the application's identifier, and relays
// one request per input line, answering each with one JSON line:
//   ping                      {"text":...}
//   health | snapshot | capabilities | policy | perform <command JSON>
//                             {"data":<JSON or null>,"text":<text or null>}
//   storm <count>             sends <count> setPolicy commands at once and
//                             answers {"replied":n,"failed":m} when all ended
//   hold <count>              opens <count> more connections, one after the
//                             other, pings on each and keeps those served:
//                             {"served":n,"refused":m}
// A message that cannot be delivered answers {"error":<description>}. End of
// input closes the connection and ends the program.

#include "ExportedDaemonService.h"

#include <VelkoraCore/ControlCommand.h>
#include <VelkoraCore/IPC.h>
#include <VelkoraCore/VelkoraDaemonProtocol.h>

#include <XPC/NSXPCConnection.h>

#include <nlohmann/json.hpp>

#include <chrono>
#include <condition_variable>
#include <future>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Json = nlohmann::ordered_json;
using Bytes = std::vector<std::uint8_t>;
using Protocol = velkora::VelkoraDaemonProtocol;

constexpr auto patience = std::chrono::seconds(20);

Json dataReplyJson(const platform::NSXPCReplyValue& value)
{
    Json answer;
    answer["data"] = value.data ? Json::parse(value.data->begin(), value.data->end(), nullptr, false) : Json();
    answer["text"] = value.text ? Json(*value.text) : Json();
    return answer;
}

class Client {
public:
    Client()
        : connection_(std::make_shared<platform::NSXPCConnection>(std::string(velkora::IPC::machServiceName),
                                                                  platform::NSXPCConnectionOptions::privileged))
    {
        connection_->setRemoteObjectInterface(velkora::ExportedDaemonService::interface());
        connection_->resume();
    }

    ~Client() { connection_->invalidate(); }

    Json request(std::string_view selector, std::optional<Bytes> argument)
    {
        auto answer = std::make_shared<std::promise<Json>>();
        auto future = answer->get_future();
        const bool textReply = selector == Protocol::pingSelector;
        connection_
            ->remoteObjectProxyWithErrorHandler([answer](const platform::NSError& error) {
                answer->set_value(Json{{"error", error.localizedDescription()}});
            })
            .send(std::string(selector), std::move(argument), [answer, textReply](platform::NSXPCReplyValue value) {
                answer->set_value(textReply ? Json{{"text", value.text.value_or("")}} : dataReplyJson(value));
            });
        if (future.wait_for(patience) != std::future_status::ready) {
            return Json{{"error", "no answer in time"}};
        }
        return future.get();
    }

    Json storm(int count)
    {
        struct Tally {
            std::mutex mutex;
            std::condition_variable ended;
            int replied = 0;
            int failed = 0;
        };
        auto tally = std::make_shared<Tally>();
        for (int index = 0; index < count; ++index) {
            velkora::ChargePolicy policy;
            policy.managementEnabled = true;
            policy.chargeLimit = 20 + index % 81;
            const auto record = [tally](bool replied) {
                std::lock_guard lock(tally->mutex);
                ++(replied ? tally->replied : tally->failed);
                tally->ended.notify_all();
            };
            connection_->remoteObjectProxyWithErrorHandler([record](const platform::NSError&) { record(false); })
                .send(std::string(Protocol::performSelector),
                      velkora::IPC::encode(velkora::ControlCommand::setPolicy(policy)),
                      [record](platform::NSXPCReplyValue value) { record(value.data.has_value()); });
        }
        std::unique_lock lock(tally->mutex);
        tally->ended.wait_for(lock, patience, [&] { return tally->replied + tally->failed == count; });
        return Json{{"replied", tally->replied}, {"failed", tally->failed}};
    }

    Json hold(int count)
    {
        int served = 0;
        for (int index = 0; index < count; ++index) {
            auto extra = std::make_unique<Client>();
            if (extra->request(Protocol::pingSelector, std::nullopt).contains("text")) {
                held_.push_back(std::move(extra));
                ++served;
            }
        }
        return Json{{"served", served}, {"refused", count - served}};
    }

private:
    std::shared_ptr<platform::NSXPCConnection> connection_;
    std::vector<std::unique_ptr<Client>> held_;
};

Json handle(Client& client, const std::string& line)
{
    std::istringstream words(line);
    std::string verb;
    words >> verb;
    if (verb == "ping") {
        return client.request(Protocol::pingSelector, std::nullopt);
    }
    if (verb == "health") {
        return client.request(Protocol::healthSelector, std::nullopt);
    }
    if (verb == "snapshot") {
        return client.request(Protocol::fetchSnapshotSelector, std::nullopt);
    }
    if (verb == "capabilities") {
        return client.request(Protocol::fetchCapabilitiesSelector, std::nullopt);
    }
    if (verb == "policy") {
        return client.request(Protocol::fetchPolicySelector, std::nullopt);
    }
    if (verb == "perform") {
        std::string command;
        std::getline(words >> std::ws, command);
        return client.request(Protocol::performSelector, Bytes(command.begin(), command.end()));
    }
    if (verb == "hold") {
        int count = 0;
        words >> count;
        return client.hold(count);
    }
    if (verb == "storm") {
        int count = 0;
        words >> count;
        return client.storm(count);
    }
    return Json{{"error", "unknown request: " + line}};
}

}  // namespace

int main()
{
    Client client;
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line.empty()) {
            continue;
        }
        std::cout << handle(client, line).dump() << std::endl;
    }
    return 0;
}
