#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>

namespace velkora::HelperRecoveryPolicy {

// Waiting times before the automatic repairs of the helper, one per attempt.
inline constexpr std::array<std::chrono::seconds, 4> delays = {
    std::chrono::seconds(2), std::chrono::seconds(5), std::chrono::seconds(15), std::chrono::seconds(30)};

// The wait before the next attempt when `afterAttempt` attempts were made so
// far (0 before the first), or nothing when recovery is to stop.
std::optional<std::chrono::seconds> delay(std::int64_t afterAttempt);

}  // namespace velkora::HelperRecoveryPolicy
