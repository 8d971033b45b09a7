// Whether the daemon took a policy or LED change, as the caller that keeps a
// value of its own beside the daemon's hears it.

#include "ModelFixture.h"

#include "Services/AppLanguage.h"

namespace velkora::test {
namespace {

class ChangeCompletionTest : public ModelFixture {
protected:
    // Each completion's outcomes, in order.
    AppModel::ChangeCompletion record(std::vector<bool>& outcomes)
    {
        return [&outcomes](bool applied) { outcomes.push_back(applied); };
    }

    std::vector<DaemonRequest> waitForHeld(std::size_t count)
    {
        std::vector<DaemonRequest> held;
        waitFor([&] {
            for (DaemonRequest& request : peer->takeHeld()) {
                held.push_back(std::move(request));
            }
            return held.size() >= count;
        });
        return held;
    }
};

TEST_F(ChangeCompletionTest, ASupersededUpdateHearsNothingAndTheNewerOneHearsOnce)
{
    createSettledModel();
    setScript([this](DaemonRequest& request) {
        if (request.selector == VelkoraDaemonProtocol::performSelector) {
            peer->hold(request);
            handled();
        }
    });
    std::vector<bool> first;
    std::vector<bool> second;
    model->updatePolicy([](ChargePolicy& policy) { policy.manageMagSafeLED = false; }, record(first));
    model->updatePolicy([](ChargePolicy& policy) { policy.useHardwarePercentage = true; }, record(second));
    std::vector<DaemonRequest> held = waitForHeld(2);
    ASSERT_EQ(held.size(), 2u);
    settle();
    EXPECT_TRUE(first.empty()) << "no outcome before the answer";
    EXPECT_TRUE(second.empty());
    for (DaemonRequest& request : held) {
        request.answer(IPC::encode(daemonSnapshot), std::nullopt);
    }
    ASSERT_TRUE(waitFor([&] { return !second.empty(); }));
    settle();
    EXPECT_TRUE(first.empty());
    EXPECT_EQ(second, std::vector<bool>{true});
}

TEST_F(ChangeCompletionTest, RefusalsOnTheSpotByTheDaemonAndForWantOfAnAnswerReportNotApplied)
{
    createSettledModel();
    std::vector<bool> policy;
    std::vector<bool> led;

    setScript([this](DaemonRequest& request) {
        if (request.selector == VelkoraDaemonProtocol::performSelector) {
            request.answer(std::nullopt, "refused");
            handled();
        }
    });
    model->updatePolicy([](ChargePolicy& changed) { changed.useHardwarePercentage = true; }, record(policy));
    model->setMagSafeLED(MagSafeLEDMode::green, record(led));
    ASSERT_TRUE(waitFor([&] { return policy.size() == 1 && led.size() == 1; }));
    EXPECT_EQ(policy, std::vector<bool>{false});
    EXPECT_EQ(led, std::vector<bool>{false});
    EXPECT_EQ(model->lastError(), QStringLiteral("refused"));

    setScript([this](DaemonRequest& request) {
        if (request.selector == VelkoraDaemonProtocol::performSelector) {
            peer->hold(request);
            handled();
        }
    });
    model->updatePolicy([](ChargePolicy& changed) { changed.useHardwarePercentage = true; }, record(policy));
    ASSERT_EQ(waitForHeld(1).size(), 1u);
    clock->advance(std::chrono::seconds(5));
    ASSERT_TRUE(waitFor([&] { return policy.size() == 2; }));
    EXPECT_FALSE(policy.back());
    EXPECT_FALSE(model->policy().useHardwarePercentage);

    // Refused before anything is sent: heard at once.
    registration->currentStatus = platform::SMAppService::Status::requiresApproval;
    model->applicationDidBecomeActive();
    ASSERT_TRUE(waitFor([&] { return model->helperStatus() == HelperStatus::requiresApproval(); }));
    model->updatePolicy([](ChargePolicy& changed) { changed.useHardwarePercentage = true; }, record(policy));
    model->setMagSafeLED(MagSafeLEDMode::orange, record(led));
    EXPECT_EQ(policy.size(), 3u);
    EXPECT_FALSE(policy.back());
    EXPECT_EQ(led, (std::vector<bool>{false, false}));

    setScript({});
    registration->currentStatus = platform::SMAppService::Status::enabled;
    model->applicationDidBecomeActive();
    ASSERT_TRUE(waitFor([&] { return model->helperStatus() == HelperStatus::enabled(); }));
    model->setMagSafeLED(MagSafeLEDMode::orange, record(led));
    ASSERT_TRUE(waitFor([&] { return led.size() == 3; }));
    EXPECT_TRUE(led.back());
}

// A change superseded before the daemon confirmed it must not stay when the
// change that superseded it fails: both go, back to the policy before them.
TEST_F(ChangeCompletionTest, AFailedUpdateAlsoTakesBackTheUnconfirmedChangeItSuperseded)
{
    createSettledModel();
    const ChargePolicy before = model->policy();
    ASSERT_TRUE(before.manageMagSafeLED);
    setScript([this](DaemonRequest& request) {
        if (request.selector == VelkoraDaemonProtocol::performSelector) {
            peer->hold(request);
            handled();
        }
    });
    std::vector<bool> outcomes;
    model->updatePolicy([](ChargePolicy& policy) { policy.manageMagSafeLED = false; });
    model->updatePolicy([](ChargePolicy& policy) { policy.chargeLimit = 70; });
    model->updatePolicy([](ChargePolicy& policy) { policy.useHardwarePercentage = true; }, record(outcomes));
    EXPECT_TRUE(model->isLimitUpdating()) << "the limit of the second is still on its way with the third";
    std::vector<DaemonRequest> held = waitForHeld(3);
    ASSERT_EQ(held.size(), 3u);
    for (DaemonRequest& request : held) {
        request.answer(std::nullopt, "SMC write failed");
    }
    ASSERT_TRUE(waitFor([&] { return !outcomes.empty(); }));
    EXPECT_EQ(outcomes, std::vector<bool>{false});
    EXPECT_EQ(model->policy(), before);
    EXPECT_FALSE(model->isLimitUpdating());
    EXPECT_EQ(model->chargeLimitError(), L("Couldn’t apply 70%; restored 80%. SMC write failed",
                                           "未能应用 70%，已恢复为 80%。SMC write failed"));

    // The next update starts from the restored policy.
    setScript({});
    model->updatePolicy([](ChargePolicy& policy) { policy.sailingDelta = 4; }, record(outcomes));
    ASSERT_TRUE(waitFor([&] { return outcomes.size() == 2; }));
    EXPECT_TRUE(outcomes.back());
    ChargePolicy expected = before;
    expected.sailingDelta = 4;
    EXPECT_EQ(model->policy(), expected);
}

}  // namespace
}  // namespace velkora::test
