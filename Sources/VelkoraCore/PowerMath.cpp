#include <VelkoraCore/PowerMath.h>

namespace velkora::PowerMath {

double systemLoadWatts(double adapterPower, double batteryPower)
{
    // Written as comparisons that a NaN fails, so an unreadable value gives 0.
    const double delivered = adapterPower > 0 ? adapterPower : 0;
    const double load = delivered - batteryPower;
    return load > 0 ? load : 0;
}

}  // namespace velkora::PowerMath
