#include <VelkoraCore/HelperRecoveryPolicy.h>

namespace velkora::HelperRecoveryPolicy {

std::optional<std::chrono::seconds> delay(std::int64_t afterAttempt)
{
    if (afterAttempt < 0 || afterAttempt >= static_cast<std::int64_t>(delays.size())) {
        return std::nullopt;
    }
    return delays[static_cast<std::size_t>(afterAttempt)];
}

}  // namespace velkora::HelperRecoveryPolicy
