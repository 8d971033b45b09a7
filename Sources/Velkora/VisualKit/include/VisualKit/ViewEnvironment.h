#pragma once

#include <functional>

namespace velkora {

class AppModel;
class AppRouter;
class AppSettings;
class ReduceMotionSource;
class TelemetryStore;
class UpdateCenter;

// What every view is built with: the application's shared objects, made
// once by the application entry and handed down unchanged to every page,
// popover and panel. Views read from these and send every action through
// the model; they keep only view-local state of their own.
//
// None is owned here. Kit blocks need only `settings` and `reduceMotion`
// (and accept null for both: default settings, motion allowed); pages may
// count on all of them in the application, while a test or the screenshot
// tool may leave out what a view does not read (the model, the updates).
struct ViewEnvironment {
    AppModel* model = nullptr;
    TelemetryStore* telemetry = nullptr;
    AppSettings* settings = nullptr;
    AppRouter* router = nullptr;
    UpdateCenter* updates = nullptr;
    // The system's reduce-motion accessibility setting.
    ReduceMotionSource* reduceMotion = nullptr;
    // Brings the application's single main window to the front, making it
    // again when it was closed; empty where there is no main window.
    std::function<void()> openMainWindow;

    // The reduce-motion setting now; false without a source.
    bool reducesMotion() const;
};

}  // namespace velkora
