#include "ModelFixture.h"

#include "Services/AppLanguage.h"
#include "Services/ClientError.h"

namespace velkora::test {
namespace {

class CommandTest : public ModelFixture {
protected:
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
};

TEST_F(CommandTest, AHelperThatIsNotUsableRefusesEveryCommandWithItsReason)
{
    registration->currentStatus = platform::SMAppService::Status::notRegistered;
    createSettledModel();
    ASSERT_EQ(model->helperStatus(), HelperStatus::notInstalled());
    const ChargePolicy before = model->policy();

    model->updatePolicy([](ChargePolicy& policy) { policy.sailingEnabled = !policy.sailingEnabled; });
    EXPECT_EQ(model->policy(), before);
    EXPECT_EQ(model->lastError(), localized("请先安装并批准充电后台服务"));
    EXPECT_EQ(model->chargeLimitError(), std::nullopt);

    model->updatePolicy([](ChargePolicy& policy) { policy.chargeLimit = 60; });
    const QString limitText = L("Couldn’t apply 60%; restored 80%. Finish the background-service approval or setup first.",
                                "未能应用 60%，已恢复为 80%。请先完成后台服务授权或配置。");
    EXPECT_EQ(model->policy(), before);
    EXPECT_EQ(model->lastError(), limitText);
    EXPECT_EQ(model->chargeLimitError(), limitText);

    model->topUp();
    EXPECT_EQ(model->lastError(), localized("临时充满需要先安装并批准充电后台服务"));
    EXPECT_FALSE(model->isTopUpActive());
    model->forceDischarge();
    EXPECT_EQ(model->lastError(), localized("主动放电需要先安装并批准充电后台服务"));
    model->startCalibration();
    EXPECT_EQ(model->lastError(), localized("请先安装并批准充电后台服务"));
    EXPECT_TRUE(model->isCalibrationActive());
    tick();
    EXPECT_FALSE(model->isCalibrationActive());
    EXPECT_TRUE(performedCommands().empty());
}

TEST_F(CommandTest, AnOfflineOrOutdatedHelperNamesItsOwnRepair)
{
    createSettledModel();
    setScript([this](DaemonRequest& request) {
        request.answer(std::nullopt, "gone");
        handled();
    });
    tick(2);
    ASSERT_EQ(model->helperStatus(), HelperStatus::offline());
    model->updatePolicy([](ChargePolicy& policy) { policy.heatProtectionEnabled = true; });
    EXPECT_EQ(model->lastError(), L("The charging daemon is offline and recovering automatically; please retry shortly",
                                    "充电后台服务离线，正在自动恢复，请稍后重试"));
    model->updatePolicy([](ChargePolicy& policy) { policy.chargeLimit = 150; });
    EXPECT_EQ(model->chargeLimitError(), L("Couldn’t apply 100%; restored 80%. Repair the offline charging daemon, then retry.",
                                           "未能应用 100%，已恢复为 80%。充电后台服务离线，请先修复后重试。"));
    EXPECT_EQ(model->policy().chargeLimit, 80);
}

TEST_F(CommandTest, AnIncompatibleHelperIsNotAskedAnythingAndCommandsAskForItsUpdate)
{
    health.identity.protocolVersion = 9;
    createSettledModel();
    EXPECT_EQ(model->helperStatus(), HelperStatus::versionMismatch());
    EXPECT_TRUE(model->helperNeedsUpdate());
    EXPECT_EQ(model->policy(), ChargePolicy{});
    EXPECT_EQ(model->lastError(),
              L("The daemon protocol is older. Restart your Mac first so the new service loads without replacing its "
                "existing approval; repair manually only if the warning remains.",
                "后台服务协议较旧。请先重启 Mac，系统会在保留现有后台权限的情况下加载新版服务；若重启后仍有提示，再手动修复。"));
    model->updatePolicy([](ChargePolicy& policy) { policy.chargeLimit = 70; });
    EXPECT_EQ(model->chargeLimitError(), L("Couldn’t apply 70%; restored 80%. Update the background service first.",
                                           "未能应用 70%，已恢复为 80%。请先更新后台服务。"));
    model->updatePolicy([](ChargePolicy& policy) { policy.sailingDelta = 3; });
    EXPECT_EQ(model->lastError(), L("Update the background service before changing charging settings",
                                    "请先更新后台服务，再调整充电设置"));
    // The commands ask for a usable helper before they ask about its version.
    model->topUp();
    EXPECT_EQ(model->lastError(), localized("临时充满需要先安装并批准充电后台服务"));
    model->setMagSafeLED(MagSafeLEDMode::green);
    EXPECT_EQ(model->lastError(), localized("请先安装并批准充电后台服务"));
    EXPECT_TRUE(performedCommands().empty());
}

TEST_F(CommandTest, APolicyUpdateThatTimesOutRestoresTheWholePreviousPolicy)
{
    createSettledModel();
    const ChargePolicy before = model->policy();
    holdCommands();
    model->updatePolicy([](ChargePolicy& policy) {
        policy.chargeLimit = 60;
        policy.sailingEnabled = false;
    });
    EXPECT_EQ(model->policy().chargeLimit, 60);
    EXPECT_FALSE(model->policy().sailingEnabled);
    EXPECT_TRUE(model->isLimitUpdating());
    ASSERT_TRUE(peer->waitForHeld(1));

    clock->advance(5s);
    ASSERT_TRUE(waitFor([&] { return !model->isLimitUpdating(); }));
    EXPECT_EQ(model->policy(), before);
    const QString expected =
        L("Couldn’t apply 60%; restored 80%. ", "未能应用 60%，已恢复为 80%。") +
        ClientError::connectionUnavailable().errorDescription();
    EXPECT_EQ(model->lastError(), expected);
    EXPECT_EQ(model->chargeLimitError(), expected);

    // The retry of the failed limit sends it again, and its success clears both messages.
    setScript(nullptr);
    peer->takeHeld();
    model->resolveChargeLimitFailure();
    ASSERT_TRUE(waitFor([&] { return !model->isLimitUpdating(); }));
    EXPECT_EQ(model->policy().chargeLimit, 60);
    EXPECT_TRUE(model->policy().sailingEnabled);
    EXPECT_EQ(model->lastError(), std::nullopt);
    EXPECT_EQ(model->chargeLimitError(), std::nullopt);
    model->resolveChargeLimitFailure();
    settle();
    EXPECT_EQ(performedCommands().size(), 1u);
}

TEST_F(CommandTest, ASecondLimitChangeSupersedesTheFirstAndOnlyItsEndClearsTheUpdatingFlag)
{
    createSettledModel();
    holdCommands();
    model->updatePolicy([](ChargePolicy& policy) { policy.chargeLimit = 60; });
    ASSERT_TRUE(peer->waitForHeld(1));
    model->updatePolicy([](ChargePolicy& policy) { policy.chargeLimit = 70; });
    ASSERT_TRUE(peer->waitForHeld(2));
    settle();
    EXPECT_TRUE(model->isLimitUpdating());
    EXPECT_EQ(model->policy().chargeLimit, 70);

    std::vector<DaemonRequest> held = peer->takeHeld();
    held[0].answer(std::nullopt, "first refused");
    settle();
    EXPECT_TRUE(model->isLimitUpdating());
    EXPECT_EQ(model->lastError(), std::nullopt);
    EXPECT_EQ(model->policy().chargeLimit, 70);

    model->setLastError(QString("an older message"));
    held[1].answer(IPC::encode(chargingSnapshot(66)), std::nullopt);
    ASSERT_TRUE(waitFor([&] { return !model->isLimitUpdating(); }));
    EXPECT_EQ(model->lastError(), std::nullopt);
    EXPECT_EQ(model->snapshot().battery.percentage, 66);
    EXPECT_EQ(model->policy().chargeLimit, 70);
}

TEST_F(CommandTest, AHealthCheckDuringAnUpdateKeepsThePolicyBeingSent)
{
    createSettledModel();
    holdCommands();
    model->updatePolicy([](ChargePolicy& policy) { policy.chargeLimit = 65; });
    ASSERT_TRUE(peer->waitForHeld(1));
    // The check asks for health, policy, capabilities and the snapshot.
    const int before = peer->requestCount();
    model->applicationDidBecomeActive();
    ASSERT_TRUE(waitFor([&] {
        return peer->requestCount() >= before + 4 && model->helperStatus() == HelperStatus::enabled();
    }));
    EXPECT_EQ(model->policy().chargeLimit, 65);
    EXPECT_TRUE(model->isLimitUpdating());
}

TEST_F(CommandTest, AHoldSetsTheDaemonsLimitAndTheNextRuleChangeKeepsIt)
{
    createSettledModel();
    {
        std::lock_guard lock(daemonMutex);
        daemonPolicy.managementEnabled = false;
    }
    model->applicationDidBecomeActive();
    ASSERT_TRUE(waitFor([&] {
        return !model->policy().managementEnabled && model->helperStatus() == HelperStatus::enabled();
    }));
    // The daemon holds at its own last reading, which the model never saw.
    setScript([this](DaemonRequest& request) {
        if (request.selector == VelkoraDaemonProtocol::performSelector &&
            std::holds_alternative<ControlCommand::PauseAtCurrentLevel>(
                IPC::decode<ControlCommand>(*request.argument).payload)) {
            std::lock_guard lock(daemonMutex);
            daemonPolicy.managementEnabled = true;
            daemonPolicy.chargeLimit = 53;
            PowerSnapshot held = chargingSnapshot(53);
            held.state = ChargingState::paused;
            request.answer(IPC::encode(held), std::nullopt);
            handled();
        }
    });
    model->pauseCharging();
    ASSERT_TRUE(waitFor([&] { return model->snapshot().state == ChargingState::paused; }));
    EXPECT_TRUE(waitFor([&] { return model->policy().managementEnabled; }));
    EXPECT_EQ(model->policy().chargeLimit, 53);

    setScript(nullptr);
    bool applied = false;
    model->updatePolicy([](ChargePolicy& policy) { policy.sailingEnabled = !policy.sailingEnabled; },
                        [&](bool success) { applied = success; });
    ASSERT_TRUE(waitFor([&] { return applied; }));
    std::lock_guard lock(daemonMutex);
    EXPECT_TRUE(daemonPolicy.managementEnabled);
    EXPECT_EQ(daemonPolicy.chargeLimit, 53);
}

TEST_F(CommandTest, TopUpAndDischargeSettleOnTheDaemonsAnswer)
{
    createSettledModel();
    holdCommands();
    model->topUp();
    EXPECT_TRUE(model->isTopUpActive());
    EXPECT_TRUE(model->isTopUpTransitioning());
    ASSERT_TRUE(peer->waitForHeld(1));
    PowerSnapshot toppingUp = chargingSnapshot(51);
    toppingUp.state = ChargingState::topUp;
    peer->takeHeld()[0].answer(IPC::encode(toppingUp), std::nullopt);
    ASSERT_TRUE(waitFor([&] { return !model->isTopUpTransitioning(); }));
    EXPECT_TRUE(model->isTopUpActive());

    // The daemon answers a discharge with another state and no reason.
    model->forceDischarge();
    EXPECT_TRUE(model->isForceDischargeActive());
    EXPECT_TRUE(model->isDischargeTransitioning());
    ASSERT_TRUE(peer->waitForHeld(1));
    PowerSnapshot paused = chargingSnapshot(51);
    paused.state = ChargingState::paused;
    paused.stateReason.clear();
    peer->takeHeld()[0].answer(IPC::encode(paused), std::nullopt);
    ASSERT_TRUE(waitFor([&] { return !model->isDischargeTransitioning(); }));
    EXPECT_FALSE(model->isForceDischargeActive());
    EXPECT_EQ(model->lastError(), localized("主动放电未能启动"));

    setScript([this](DaemonRequest& request) {
        if (request.selector == VelkoraDaemonProtocol::performSelector) {
            request.answer(std::nullopt, "adapter stuck");
            handled();
        }
    });
    model->forceDischarge();
    ASSERT_TRUE(waitFor([&] { return !model->isDischargeTransitioning(); }));
    EXPECT_FALSE(model->isForceDischargeActive());
    EXPECT_EQ(model->lastError(), localized("主动放电失败：%@").replace("%@", "adapter stuck"));
}

TEST_F(CommandTest, ForcedDischargeNeedsTheControlOnThisMac)
{
    capabilities.forceDischarge = false;
    createSettledModel();
    model->forceDischarge();
    EXPECT_EQ(model->lastError(), localized("这台 Mac 未检测到可用的主动放电控制通道"));
    EXPECT_FALSE(model->isForceDischargeActive());
}

}  // namespace
}  // namespace velkora::test
