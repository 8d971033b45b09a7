#pragma once

#include "Window/BannerCapsule.h"

#include <functional>

namespace velkora {

class VelkoraButton;

// The banner shown while the background service waits for the user's
// approval: an orange lock symbol, a title and where to allow the
// application, and a "Resolve Now" button that runs `openSettings`, on the
// banner capsule outlined in orange. Main thread only.
class HelperPermissionBanner : public BannerCapsule {
    Q_OBJECT
public:
    explicit HelperPermissionBanner(std::function<void()> openSettings, QWidget* parent = nullptr);

    VelkoraButton* resolveButton() const { return resolve_; }

private:
    VelkoraButton* resolve_;
};

}  // namespace velkora
