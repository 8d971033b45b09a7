#pragma once

#include "VisualKit/ReduceMotionSource.h"
#include "VisualKit/ViewEnvironment.h"

#include "Services/AppSettings.h"

#include <TestSupport/TemporaryRoot.h>

#include <memory>

// Settings in a simulated root of their own and a reduce-motion source the
// test sets, for building kit blocks.
class KitEnvironment {
public:
    KitEnvironment()
        : settings(std::make_unique<velkora::AppSettings>(platform::UserDefaults(QStringLiteral("com.velkora.app")),
                                                          std::make_shared<NoLoginItem>()))
    {
    }

    velkora::ViewEnvironment environment()
    {
        velkora::ViewEnvironment environment;
        environment.settings = settings.get();
        environment.reduceMotion = &reduceMotion;
        return environment;
    }

    TemporaryRoot root;
    std::unique_ptr<velkora::AppSettings> settings;
    velkora::ReduceMotionSource reduceMotion;

private:
    class NoLoginItem : public platform::SMAppService {
    public:
        void registerService() override {}
        void unregisterService() override {}
        Status status() const override { return Status::notRegistered; }
    };
};
