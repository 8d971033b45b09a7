#pragma once

#include "../AppModelTests/ModelFixture.h"

#include "TestSupport/ModelViewEnvironment.h"
#include "VisualKit/ReduceMotionSource.h"

#include <QVBoxLayout>
#include <QWidget>

#include <memory>

namespace velkora::test {

// A settled model on a scripted helper (ModelFixture) and a window to show
// the view under test in.
class ViewFixture : public ModelFixture {
protected:
    using ModelFixture::ModelFixture;

    void TearDown() override
    {
        window.reset();
        ModelFixture::TearDown();
    }

    ViewEnvironment environment() { return modelViewEnvironment(*model, reduceMotion); }

    // Shows `view` alone in a window of `size` and lets it lay out.
    template <typename View>
    View* show(View* view, QSize size)
    {
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view);
        window->resize(size);
        window->show();
        // A window that shows makes the application active, and the model
        // checks its helper again: the test starts once that is over.
        settle();
        EXPECT_TRUE(waitFor([&] { return !model || !model->helperStatus().isBusy(); }));
        settle();
        return view;
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

    // Answers the held commands with the daemon's snapshot.
    void answerHeld()
    {
        for (DaemonRequest& request : peer->takeHeld()) {
            request.answer(IPC::encode(daemonSnapshot), std::nullopt);
        }
    }

    // The policies sent with setPolicy, in order.
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

    // Waits until `count` policies have been sent and the model has its reply.
    bool waitForPolicies(std::size_t count)
    {
        return waitFor([&] { return sentPolicies().size() >= count && !model->isLimitUpdating(); });
    }

    ReduceMotionSource reduceMotion;
    std::unique_ptr<QWidget> window;
};

}  // namespace velkora::test
