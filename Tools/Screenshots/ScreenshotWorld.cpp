#include "ScreenshotWorld.h"

namespace screenshots {

ScreenshotWorld::ScreenshotWorld()
    : simmac_(testsupport::SimmacProcess::Options{}),
      settings_(std::make_unique<velkora::AppSettings>(platform::UserDefaults(QStringLiteral("com.velkora.app")))),
      telemetry_(std::make_unique<velkora::TelemetryStore>())
{
}

velkora::ViewEnvironment ScreenshotWorld::environment()
{
    velkora::ViewEnvironment environment;
    environment.settings = settings_.get();
    environment.telemetry = telemetry_.get();
    environment.router = &router_;
    environment.reduceMotion = &reduceMotion_;
    return environment;
}

}  // namespace screenshots
