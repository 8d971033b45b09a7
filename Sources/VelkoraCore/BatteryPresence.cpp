#include <VelkoraCore/BatteryPresence.h>

namespace velkora::BatteryPresence {

bool isInstalled(std::optional<bool> installedFlag, std::optional<std::int64_t> packCount,
                 std::optional<std::int64_t> maxCapacity)
{
    if (installedFlag) {
        return *installedFlag;
    }
    if (packCount && *packCount > 0) {
        return true;
    }
    if (maxCapacity) {
        return *maxCapacity > 0;
    }
    return false;
}

}  // namespace velkora::BatteryPresence
