#include "ProcessInfo/ProcessInfo.h"

#include "Simulator/SharedSimmacConnection.h"

namespace platform {

OperatingSystemVersion ProcessInfo::operatingSystemVersion()
{
    try {
        const auto version = simulator::SharedSimmacConnection::request("os.version");
        return {version.at("major").get<int>(), version.at("minor").get<int>(), version.at("patch").get<int>()};
    } catch (const simulator::SimmacError&) {
        return {};
    } catch (const nlohmann::json::exception&) {
        return {};
    }
}

bool ProcessInfo::isLowPowerModeEnabled()
{
    try {
        return simulator::SharedSimmacConnection::request("pm.lowPowerMode").value("enabled", false);
    } catch (const simulator::SimmacError&) {
        return false;
    }
}

}  // namespace platform
