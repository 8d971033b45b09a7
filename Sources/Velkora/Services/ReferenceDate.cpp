#include "Services/ReferenceDate.h"

#include <cmath>

namespace velkora {

namespace {

constexpr std::chrono::seconds kReferenceSinceUnixEpoch{978'307'200};

}  // namespace

double ReferenceDate::secondsSinceReferenceDate(Date date)
{
    return std::chrono::duration<double>(date.time_since_epoch() - kReferenceSinceUnixEpoch).count();
}

std::optional<ReferenceDate::Date> ReferenceDate::dateFromSecondsSinceReferenceDate(double seconds)
{
    const double sinceUnixEpoch = seconds + static_cast<double>(kReferenceSinceUnixEpoch.count());
    const double limit = std::chrono::duration<double>(Date::duration::max()).count() * 0.99;
    if (!std::isfinite(seconds) || std::fabs(sinceUnixEpoch) > limit) {
        return std::nullopt;
    }
    const auto offset = std::chrono::round<Date::duration>(std::chrono::duration<double>(seconds));
    return Date(kReferenceSinceUnixEpoch + offset);
}

}  // namespace velkora
