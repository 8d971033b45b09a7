#include "ScreenshotWorld.h"

#include <QCoreApplication>

namespace screenshots {

ScreenshotWorld::ScreenshotWorld()
    : simmac_(testsupport::SimmacProcess::Options{}), clock_(velkora::ManualAppClock::create())
{
    velkora::AppModel::Services services;
    services.clock = clock_;
    // The pictures never install, move or reveal anything.
    services.installation = velkora::HelperInstallation{[] { return true; }, [] {}, [] {}, [] {}};
    services.openLoginItems = [] {};
    model_ = velkora::AppModel::create(std::move(services));
    // The start-up task's first steps run from the event loop.
    QCoreApplication::processEvents();
}

ScreenshotWorld::~ScreenshotWorld()
{
    model_.reset();
    QCoreApplication::processEvents();
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
