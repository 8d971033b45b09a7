#pragma once

#include "VisualKit/AppRouter.h"
#include "VisualKit/ReduceMotionSource.h"
#include "VisualKit/ViewEnvironment.h"

#include "Services/AppSettings.h"
#include "Services/TelemetryStore.h"

#include "TestSupport/SimmacProcess.h"

#include <memory>

namespace screenshots {

// The application's shared objects for the pictures, on a simulated Mac of
// their own (a fresh simulated root, removed at the end): the settings
// (stored in that root), the telemetry store, the router and a
// reduce-motion source that stays off. Pages that need the model or live
// readings take them from here as they are added.
class ScreenshotWorld {
public:
    ScreenshotWorld();

    velkora::ViewEnvironment environment();
    velkora::AppSettings& settings() { return *settings_; }
    velkora::TelemetryStore& telemetry() { return *telemetry_; }
    testsupport::SimmacProcess& simmac() { return simmac_; }

private:
    testsupport::SimmacProcess simmac_;
    std::unique_ptr<velkora::AppSettings> settings_;
    std::unique_ptr<velkora::TelemetryStore> telemetry_;
    velkora::AppRouter router_;
    velkora::ReduceMotionSource reduceMotion_;
};

}  // namespace screenshots
