#pragma once

#include <cstdint>

namespace velkora {

// When the charge-limit control shows "Applying…": every start and every end
// of a limit update moves the generation on, so a reveal that was timed for
// an earlier update finds a newer generation and shows nothing.
struct ChargeLimitFeedbackState {
    std::uint64_t generation = 0;
    bool showsApplying = false;

    // An update starts: the indicator hides; the token names this update.
    std::uint64_t beginUpdate()
    {
        ++generation;
        showsApplying = false;
        return generation;
    }

    // The update ended: the indicator hides.
    void finishUpdate()
    {
        ++generation;
        showsApplying = false;
    }

    // Shows the indicator while `token` is still the latest update; true
    // when it did.
    bool revealApplying(std::uint64_t token, bool whileUpdating)
    {
        if (generation != token || !whileUpdating) {
            return false;
        }
        showsApplying = true;
        return true;
    }

    bool operator==(const ChargeLimitFeedbackState&) const = default;
};

}  // namespace velkora
