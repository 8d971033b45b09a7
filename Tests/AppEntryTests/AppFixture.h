#pragma once

#include "../AppModelTests/ModelFixture.h"

#include "App/VelkoraApp.h"

#include "Sparkle/SPUUserDriver.h"
#include "VisualKit/ReduceMotionSource.h"

#include <QAbstractButton>
#include <QTest>

#include <memory>

namespace velkora::test {

// The whole application (VelkoraApp) on a simulated Mac, with the model's
// scripted daemon and manual clock of ModelFixture, silent update dialogs and
// a reduce-motion setting the test holds. Runs offscreen: the menu-bar item
// is the strip.
class AppFixture : public ModelFixture {
protected:
    explicit AppFixture(const std::string& hardware = "firmware-limit-laptop") : ModelFixture(hardware) {}

    void TearDown() override
    {
        app.reset();
        settle();
        ModelFixture::TearDown();
    }

    struct SilentDriver : platform::SPUUserDriver {
        void showUpdateNotFound(const QString&, const QString&) override {}
        void showUpdateFound(const QString&, const platform::SUAppcastItem&, const QString&) override {}
        void showUpdaterError(const QString&) override {}
    };

    // The application started, its first pass and start-up check over.
    void createApp()
    {
        VelkoraApp::Options options;
        options.services.clock = clock;
        options.services.daemon = DaemonClient::create(clock->timeoutScheduler(), registration);
        options.services.mainApp = loginItem;
        options.services.installation = HelperInstallation{[] { return true; }, [] {}, [] {}, [] {}};
        options.services.openLoginItems = [this] { ++loginItemsOpened; };
        options.updateDriver = std::make_unique<SilentDriver>();
        auto source = std::make_unique<ReduceMotionSource>(false);
        reduceMotion = source.get();
        options.reduceMotion = std::move(source);
        app = std::make_unique<VelkoraApp>(std::move(options));
        model = app->sharedModel();
        ASSERT_TRUE(waitFor([&] { return clock->hasSleeperStartedNow(1s) && !model->helperStatus().isBusy(); }));
        settle();
    }

    std::unique_ptr<VelkoraApp> app;
    ReduceMotionSource* reduceMotion = nullptr;
};

}  // namespace velkora::test
