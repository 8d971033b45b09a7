#include "Simmac/PowerAssertionModule.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "IOKit/IOReturn.h"
#include "Log/Logger.h"
#include "Simmac/ClientSession.h"
#include "Simmac/Dispatcher.h"
#include "Simmac/OperationCall.h"
#include "Simmac/PeerProcess.h"

namespace simmac {

namespace {

constexpr std::array<std::string_view, 3> knownTypes = {"PreventUserIdleSystemSleep", "PreventUserIdleDisplaySleep",
                                                        "PreventSystemSleep"};
constexpr std::uint32_t levelOff = 0;
constexpr std::uint32_t levelOn = 255;

const platform::Logger& logger()
{
    static const platform::Logger instance("simmac", "PowerAssertions");
    return instance;
}

}  // namespace

PowerAssertionModule::PowerAssertionModule(Dispatcher& dispatcher)
{
    dispatcher.addModule(*this);
    dispatcher.addOperation("pm.assertion.create", [this](OperationCall& call) {
        const auto& arguments = call.arguments();
        const auto type = arguments.find("type");
        const auto level = arguments.find("level");
        const auto name = arguments.find("name");
        const bool valid = type != arguments.end() && type->is_string() &&
                           std::find(knownTypes.begin(), knownTypes.end(), type->get<std::string>()) != knownTypes.end() &&
                           level != arguments.end() && level->is_number_unsigned() &&
                           (level->get<std::uint64_t>() == levelOff || level->get<std::uint64_t>() == levelOn) &&
                           name != arguments.end() && name->is_string();
        if (!valid) {
            call.succeed({{"status", kIOReturnBadArgument}});
            return;
        }
        const std::uint32_t identifier = nextIdentifier_++;
        const ClientSession& session = call.session();
        Assertion assertion{type->get<std::string>(),  level->get<std::uint32_t>(), name->get<std::string>(),
                            session.identifier(),      session.peer().pid,          processName(session.peer().pid)};
        logger().info("assertion %u %s \"%s\" by %s[%d]", identifier, assertion.type, assertion.name,
                      assertion.process, static_cast<int>(assertion.pid));
        assertions_.emplace(identifier, std::move(assertion));
        call.succeed({{"status", kIOReturnSuccess}, {"id", identifier}});
    });
    dispatcher.addOperation("pm.assertion.release", [this](OperationCall& call) {
        const auto identifier = call.arguments().find("id");
        const auto found = identifier != call.arguments().end() && identifier->is_number_unsigned()
                               ? assertions_.find(identifier->get<std::uint32_t>())
                               : assertions_.end();
        if (found == assertions_.end() || found->second.owner != call.session().identifier()) {
            call.succeed({{"status", kIOReturnNotFound}});
            return;
        }
        logger().info("assertion %u released", found->first);
        assertions_.erase(found);
        call.succeed({{"status", kIOReturnSuccess}});
    });
}

std::function<void()> PowerAssertionModule::prepareModel(const HardwareModel&)
{
    // Assertions belong to the processes, not to the hardware: they survive a
    // change of model.
    return [] {};
}

void PowerAssertionModule::addStatus(nlohmann::ordered_json& status) const
{
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const auto& [identifier, assertion] : assertions_) {
        list.push_back({{"id", identifier},
                        {"type", assertion.type},
                        {"level", assertion.level},
                        {"name", assertion.name},
                        {"pid", assertion.pid},
                        {"process", assertion.process}});
    }
    status["assertions"] = std::move(list);
}

void PowerAssertionModule::connectionClosed(ClientSession& session)
{
    std::erase_if(assertions_, [&](const auto& entry) {
        if (entry.second.owner != session.identifier()) {
            return false;
        }
        logger().info("assertion %u released: its process %d went away", entry.first,
                      static_cast<int>(entry.second.pid));
        return true;
    });
}

}  // namespace simmac
