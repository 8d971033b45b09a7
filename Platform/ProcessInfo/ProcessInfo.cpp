#include "ProcessInfo/ProcessInfo.h"

#include <limits>

#include "Simulator/RegistryValueReader.h"
#include "Simulator/SharedSimmacConnection.h"

namespace platform {

OperatingSystemVersion ProcessInfo::operatingSystemVersion()
{
    // [major, minor, patch]; anything else counts as no answer.
    OperatingSystemVersion version;
    const auto read = [&version](std::span<const std::uint8_t> encoded) {
        simulator::RegistryValueReader reader(encoded);
        if (reader.tag() != simulator::RegistryValueTag::array || reader.count() != 3u) {
            return;
        }
        int parts[3] = {};
        for (int& part : parts) {
            const bool isInteger = reader.tag() == simulator::RegistryValueTag::integer;
            const std::optional<std::int64_t> value = isInteger ? reader.integer() : std::nullopt;
            if (!value || *value < 0 || *value > std::numeric_limits<int>::max()) {
                return;
            }
            part = static_cast<int>(*value);
        }
        if (reader.atEnd()) {
            version = {parts[0], parts[1], parts[2]};
        }
    };
    try {
        simulator::SharedSimmacConnection::query({simulator::QueryOperation::operatingSystemVersion, {}, {}}, read);
    } catch (const simulator::SimmacError&) {
        return {};
    }
    return version;
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
