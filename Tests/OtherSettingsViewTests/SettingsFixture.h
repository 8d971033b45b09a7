#pragma once

#include "../AppModelTests/ModelFixture.h"

#include "Settings/OtherSettingsView.h"

#include "VisualKit/AppRouter.h"
#include "VisualKit/ReduceMotionSource.h"
#include "VisualKit/ViewEnvironment.h"
#include "VisualKit/VelkoraSwitch.h"

#include "Services/UpdateCenter.h"
#include "Sparkle/SPUUserDriver.h"

#include <QTest>
#include <QVBoxLayout>

namespace velkora::test {

// The general settings page on a settled model (ModelFixture's scripted
// helper and simulated Mac), with a router and an update centre whose
// dialogs show nothing.
class SettingsFixture : public ModelFixture {
protected:
    // Shows nothing; counts the outcomes of checks.
    struct SilentDriver : platform::SPUUserDriver {
        explicit SilentDriver(std::shared_ptr<int> outcomes) : outcomes(std::move(outcomes)) {}
        void showUpdateNotFound(const QString&, const QString&) override { ++*outcomes; }
        void showUpdateFound(const QString&, const platform::SUAppcastItem&, const QString&) override { ++*outcomes; }
        void showUpdaterError(const QString&) override { ++*outcomes; }
        std::shared_ptr<int> outcomes;
    };

    explicit SettingsFixture(const std::string& hardware = "firmware-limit-laptop") : ModelFixture(hardware) {}

    void TearDown() override
    {
        window.reset();
        updates.reset();
        ModelFixture::TearDown();
    }

    ViewEnvironment environment()
    {
        ViewEnvironment environment;
        environment.model = model.get();
        environment.settings = &model->settings();
        environment.telemetry = &model->telemetry();
        environment.router = &router;
        environment.updates = updates.get();
        environment.reduceMotion = &reduceMotion;
        return environment;
    }

    // Shows `view` alone in a window of `size`, once the model's check of
    // its helper on the application's activation is over.
    template <typename View>
    View* show(View* view, QSize size)
    {
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view);
        window->resize(size);
        window->show();
        settle();
        EXPECT_TRUE(waitFor([&] { return !model->helperStatus().isBusy(); }));
        settle();
        return view;
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

    // Holds every command until the test answers it.
    void holdCommands()
    {
        setScript([this](DaemonRequest& request) {
            if (request.selector == VelkoraDaemonProtocol::performSelector) {
                peer->hold(request);
                handled();
            }
        });
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

    // The policies the daemon took, in order.
    std::vector<ChargePolicy> sentPolicies()
    {
        std::vector<ChargePolicy> policies;
        for (const ControlCommand& command : performedCommands()) {
            if (const auto* set = std::get_if<ControlCommand::SetPolicy>(&command.payload)) {
                policies.push_back(set->policy);
            }
        }
        return policies;
    }

    bool waitForPolicies(std::size_t count)
    {
        return waitFor([&] { return sentPolicies().size() >= count; });
    }

    AppRouter router;
    ReduceMotionSource reduceMotion;
    std::unique_ptr<UpdateCenter> updates;
    std::shared_ptr<int> updateOutcomes = std::make_shared<int>(0);
    std::unique_ptr<QWidget> window;
    OtherSettingsView* page = nullptr;
};

}  // namespace velkora::test
