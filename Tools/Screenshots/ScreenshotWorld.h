#pragma once

#include "VisualKit/AppRouter.h"
#include "VisualKit/ReduceMotionSource.h"
#include "VisualKit/ViewEnvironment.h"

#include "Model/AppModel.h"
#include "Services/ManualAppClock.h"

#include "TestSupport/SimmacProcess.h"

#include "ScreenshotCatalog.h"

#include <memory>
#include <vector>

namespace screenshots {

// The application's shared objects for the pictures, on a simulated Mac of
// their own: a firmware-limit laptop on its adapter, or a desktop without a
// battery, in a fresh simulated root removed at the end (with the system's
// top, so energy lists show this machine's busy processes). The model reads
// that Mac's battery once at creation (a desktop's model polls until it is
// sure there is none) and then stands still (its clock only moves when a
// page moves it), with no helper installed; its settings, stores and
// telemetry are the environment's. The router presents nothing; reduced
// motion stays off.
class ScreenshotWorld {
public:
    explicit ScreenshotWorld(Hardware hardware = Hardware::laptop);
    ~ScreenshotWorld();

    velkora::ViewEnvironment environment();
    // A model of its own for one picture, on a clock that stands still, with
    // the helper registration `helper` (the simulated Mac's when null). The
    // world waits at its end until every such model is gone, so that no
    // model's work outlives the application.
    std::shared_ptr<velkora::AppModel> makeModel(std::shared_ptr<platform::SMAppService> helper = nullptr);
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
    std::vector<std::weak_ptr<velkora::AppModel>> pictureModels_;
};

}  // namespace screenshots
