#include <VelkoraCore/PowerMath.h>

#include <algorithm>
#include <limits>

namespace velkora::PowerMath {

double systemLoadWatts(double adapterPower, double batteryPower)
{
    // Written as comparisons that a NaN fails, so an unreadable value gives 0.
    const double delivered = adapterPower > 0 ? adapterPower : 0;
    const double load = delivered - batteryPower;
    return load > 0 ? load : 0;
}

std::int64_t percentage(std::int64_t part, std::int64_t whole)
{
    const __int128 percent = static_cast<__int128>(part) * 100 / whole;
    return static_cast<std::int64_t>(std::clamp<__int128>(percent, std::numeric_limits<std::int64_t>::min(),
                                                          std::numeric_limits<std::int64_t>::max()));
}

}  // namespace velkora::PowerMath
