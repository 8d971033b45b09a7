#pragma once

#include "VisualKit/AppRouter.h"
#include "VisualKit/ReduceMotionSource.h"
#include "VisualKit/ViewEnvironment.h"

#include "Model/AppModel.h"
#include "Services/ManualAppClock.h"

#include "TestSupport/SimmacProcess.h"

#include <memory>

namespace screenshots {

// The application's shared objects for the pictures, on a simulated Mac of
// their own: a firmware-limit laptop on its adapter, in a fresh simulated
// root removed at the end. The model reads that Mac's battery once at
// creation and then stands still (its clock only moves when a page moves
// it), with no helper installed; its settings, stores and telemetry are the
// environment's. The router presents nothing; reduced motion stays off.
class ScreenshotWorld {
public:
    ScreenshotWorld();
    ~ScreenshotWorld();

    velkora::ViewEnvironment environment();
    velkora::AppModel& model() { return *model_; }
    velkora::AppSettings& settings() { return model_->settings(); }
    velkora::ManualAppClock& clock() { return *clock_; }
    testsupport::SimmacProcess& simmac() { return simmac_; }

private:
    testsupport::SimmacProcess simmac_;
    std::shared_ptr<velkora::ManualAppClock> clock_;
    std::shared_ptr<velkora::AppModel> model_;
    velkora::AppRouter router_;
    velkora::ReduceMotionSource reduceMotion_;
};

}  // namespace screenshots
