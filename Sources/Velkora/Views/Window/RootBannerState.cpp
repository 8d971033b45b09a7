#include "Window/RootBannerState.h"

#include "Model/AppModel.h"

namespace velkora {

RootBannerState RootBannerState::of(const AppModel& model)
{
    if (model.helperStatus().kind() == HelperStatus::Kind::requiresApproval) {
        return approval();
    }
    if (model.lastError() && !model.lastError()->isEmpty()) {
        return error(*model.lastError());
    }
    return none();
}

}  // namespace velkora
