#pragma once

#include "../BatteryViewsTests/ViewFixture.h"

#include "Settings/OtherSettingsView.h"

#include "VisualKit/AppRouter.h"
#include "VisualKit/VelkoraSwitch.h"

#include "Services/UpdateCenter.h"
#include "Sparkle/SPUUserDriver.h"

#include <QTest>

namespace velkora::test {

// The general settings page on a settled model in a window of its own
// (ViewFixture), with a router and an update centre whose dialogs show
// nothing.
class SettingsFixture : public ViewFixture {
protected:
    // Shows nothing; counts the outcomes of checks.
    struct SilentDriver : platform::SPUUserDriver {
        explicit SilentDriver(std::shared_ptr<int> outcomes) : outcomes(std::move(outcomes)) {}
        void showUpdateNotFound(const QString&, const QString&) override { ++*outcomes; }
        void showUpdateFound(const QString&, const platform::SUAppcastItem&, const QString&) override { ++*outcomes; }
        void showUpdaterError(const QString&) override { ++*outcomes; }
        std::shared_ptr<int> outcomes;
    };

    explicit SettingsFixture(const std::string& hardware = "firmware-limit-laptop") : ViewFixture(hardware) {}

    void TearDown() override
    {
        window.reset();
        updates.reset();
        ViewFixture::TearDown();
    }

    ViewEnvironment environment()
    {
        ViewEnvironment environment = ViewFixture::environment();
        environment.router = &router;
        environment.updates = updates.get();
        return environment;
    }

    OtherSettingsView* showPage()
    {
        if (!model) {
            createSettledModel();
        }
        updates = std::make_unique<UpdateCenter>(std::make_unique<SilentDriver>(updateOutcomes));
        page = show(new OtherSettingsView(environment()), QSize(970, 1400));
        return page;
    }

    // A click in the middle of `widget`, as the user gives it.
    void click(QWidget* widget)
    {
        ASSERT_TRUE(widget->isVisible());
        ASSERT_TRUE(widget->isEnabled());
        QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
        settle();
    }

    // Every policy and LED command fails with the daemon's `message`.
    void refuseChanges(const std::string& message)
    {
        setScript([this, message](DaemonRequest& request) {
            if (request.selector != VelkoraDaemonProtocol::performSelector) {
                return;
            }
            const auto command = IPC::decode<ControlCommand>(*request.argument);
            if (std::holds_alternative<ControlCommand::SetPolicy>(command.payload) ||
                std::holds_alternative<ControlCommand::SetMagSafeLED>(command.payload)) {
                request.answer(std::nullopt, message);
                handled();
            }
        });
    }

    // Waits until `count` policies have been sent, whether or not the model
    // has its reply yet.
    bool waitForPolicies(std::size_t count)
    {
        return waitFor([&] { return sentPolicies().size() >= count; });
    }

    AppRouter router;
    std::unique_ptr<UpdateCenter> updates;
    std::shared_ptr<int> updateOutcomes = std::make_shared<int>(0);
    OtherSettingsView* page = nullptr;
};

}  // namespace velkora::test
