#include "ScreenshotWorld.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <filesystem>

namespace screenshots {

ScreenshotWorld::ScreenshotWorld(Hardware hardware)
    : simmac_(testsupport::SimmacProcess::withModel(hardware == Hardware::desktop ? "desktop" : "firmware-limit-laptop")),
      clock_(velkora::ManualAppClock::create())
{
    std::filesystem::create_symlink(VELKORA_TOP_EXECUTABLE, simmac_.root() / "usr/bin/top");
    velkora::AppModel::Services services;
    services.clock = clock_;
    // The pictures never install, move or reveal anything.
    services.installation = velkora::HelperInstallation{[] { return true; }, [] {}, [] {}, [] {}};
    services.openLoginItems = [] {};
    model_ = velkora::AppModel::create(std::move(services));
    // The start-up task's first steps run from the event loop.
    QCoreApplication::processEvents();
    // A Mac without a battery is known as such after some readings.
    for (int second = 0; second < 30 && model_->batteryAvailability() == velkora::BatteryAvailability::detecting;
         ++second) {
        clock_->advance(std::chrono::seconds(1));
        QElapsedTimer waited;
        waited.start();
        while (!clock_->hasSleeperStartedNow(std::chrono::seconds(1)) && waited.elapsed() < 2000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }
}

ScreenshotWorld::~ScreenshotWorld()
{
    model_.reset();
    QCoreApplication::processEvents();
    // A model's start-up work (its first energy sampling) holds it until it
    // ends, resuming from the event loop; it must not outlive the application.
    QElapsedTimer waited;
    waited.start();
    const auto gone = [this] {
        return std::all_of(pictureModels_.begin(), pictureModels_.end(),
                           [](const std::weak_ptr<velkora::AppModel>& model) { return model.expired(); });
    };
    while (!gone() && waited.elapsed() < 70'000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

std::shared_ptr<velkora::AppModel> ScreenshotWorld::makeModel(std::shared_ptr<platform::SMAppService> helper)
{
    velkora::AppModel::Services services;
    services.clock = velkora::ManualAppClock::create();
    if (helper) {
        services.daemon = velkora::DaemonClient::create(services.clock->timeoutScheduler(), std::move(helper));
    }
    services.installation = velkora::HelperInstallation{[] { return true; }, [] {}, [] {}, [] {}};
    services.openLoginItems = [] {};
    auto model = velkora::AppModel::create(std::move(services));
    QCoreApplication::processEvents();
    pictureModels_.push_back(model);
    return model;
}

velkora::ViewEnvironment ScreenshotWorld::environment()
{
    velkora::ViewEnvironment environment;
    environment.model = model_.get();
    environment.settings = &model_->settings();
    environment.telemetry = &model_->telemetry();
    environment.router = &router_;
    environment.reduceMotion = &reduceMotion_;
    return environment;
}

}  // namespace screenshots
