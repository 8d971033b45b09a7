#pragma once

namespace velkora {

class AppModel;

// The floating panels the model asks for, which the views draw: the battery
// overlay and the guide that floats beside System Settings while the helper
// waits for the user's approval. The application installs its presenter when
// it creates the model; this base class shows nothing, for a model that runs
// without a window (and in tests). Called on the main thread.
class AppModelPresenter {
public:
    virtual ~AppModelPresenter() = default;

    // Hides the battery overlay, fading it out when `animated`.
    virtual void hideOverlay(bool animated) { (void)animated; }
    // Starts (or refreshes) the approval guide for `model`; called right
    // after the Login Items settings were opened.
    virtual void showApprovalGuide(AppModel& model) { (void)model; }
    // Ends the approval guide, fading it out when `animated`.
    virtual void hideApprovalGuide(bool animated) { (void)animated; }
};

}  // namespace velkora
