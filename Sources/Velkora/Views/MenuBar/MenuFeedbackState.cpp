#include "MenuBar/MenuFeedbackState.h"

#include "Model/AppModel.h"

namespace velkora {

MenuFeedbackState MenuFeedbackState::of(const AppModel& model)
{
    if (model.helperStatus() == HelperStatus::requiresApproval()) {
        return {Kind::approval, {}};
    }
    if (model.helperNeedsUpdate()) {
        return {Kind::helperUpdate, {}};
    }
    const std::optional<QString>& error = model.lastError();
    // An error the charge-limit control shows is not repeated here.
    if (error && !error->isEmpty() && error != model.chargeLimitError()) {
        return {Kind::error, *error};
    }
    return {Kind::none, {}};
}

}  // namespace velkora
