// The popover's quick actions and its feedback block.

#include "PopoverFixture.h"

#include "MenuBar/MenuAction.h"
#include "MenuBar/MenuActionFeedback.h"
#include "MenuBar/MenuPopoverHeader.h"
#include "MenuBar/MenuQuickActions.h"

#include "VisualKit/ReduceMotionSource.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/AppLanguage.h"

namespace velkora::test {

namespace {

using Kind = MenuFeedbackState::Kind;

class PopoverActionsTest : public PopoverFixture {
protected:
    MenuQuickActions* actions() const { return popover->quickActions(); }
    MenuActionFeedback* feedback() const { return popover->feedback(); }

    void click(QAbstractButton* button)
    {
        QTest::mouseClick(button, Qt::LeftButton);
        settle();
    }
};

TEST_F(PopoverActionsTest, EachTileCallsItsOperationOnceAndShowsItsSwitchingStateUntilTheReply)
{
    createSettledModel();
    showPopover();
    MenuAction* discharge = actions()->dischargeTile();
    MenuAction* topUp = actions()->topUpTile();
    MenuAction* hold = actions()->holdTile();
    EXPECT_EQ(discharge->title(), localized("主动放电"));
    EXPECT_EQ(discharge->symbol(), "arrow.down.to.line.compact");
    holdCommands();

    click(discharge);
    ASSERT_TRUE(peer->waitForHeld(1));
    settle();
    EXPECT_EQ(discharge->symbol(), "ellipsis");
    EXPECT_FALSE(discharge->isEnabled());
    EXPECT_TRUE(discharge->isActive());
    EXPECT_EQ(discharge->title(), localized("停止放电"));
    EXPECT_TRUE(topUp->isEnabled()) << "the other tiles still take clicks";
    EXPECT_TRUE(hold->isEnabled());
    click(discharge);
    EXPECT_FALSE(peer->waitForHeld(2, std::chrono::milliseconds(200))) << "a switching tile ignores clicks";

    {
        std::lock_guard lock(daemonMutex);
        daemonSnapshot.state = ChargingState::discharging;
    }
    answerHeld();
    ASSERT_TRUE(waitFor([&] { return !model->isDischargeTransitioning(); }));
    EXPECT_TRUE(discharge->isEnabled());
    EXPECT_EQ(discharge->symbol(), "arrow.down.to.line.compact");
    EXPECT_TRUE(discharge->isActive());
    EXPECT_EQ(countOf<ControlCommand::ForceDischarge>(), 1);

    click(topUp);
    ASSERT_TRUE(peer->waitForHeld(1));
    settle();
    EXPECT_EQ(topUp->symbol(), "ellipsis");
    EXPECT_FALSE(topUp->isEnabled());
    EXPECT_EQ(topUp->title(), localized("取消充满"));
    EXPECT_TRUE(discharge->isEnabled());
    answerHeld();
    ASSERT_TRUE(waitFor([&] { return !model->isTopUpTransitioning(); }));
    EXPECT_EQ(topUp->symbol(), "battery.100percent.bolt");
    EXPECT_EQ(countOf<ControlCommand::TopUp>(), 1);

    click(hold);
    ASSERT_TRUE(peer->waitForHeld(1));
    EXPECT_TRUE(hold->isEnabled()) << "the hold tile is never disabled";
    EXPECT_FALSE(hold->isActive()) << "nor highlighted";
    EXPECT_EQ(countOf<ControlCommand::PauseAtCurrentLevel>(), 1);
    answerHeld();
    EXPECT_EQ(countOf<ControlCommand::ForceDischarge>(), 1);
    EXPECT_EQ(countOf<ControlCommand::TopUp>(), 1);
}

TEST_F(PopoverActionsTest, ARunningDischargeIsHighlightedAndItsTileStopsIt)
{
    {
        std::lock_guard lock(daemonMutex);
        daemonSnapshot.state = ChargingState::discharging;
    }
    createSettledModel();
    showPopover();
    MenuAction* discharge = actions()->dischargeTile();
    ASSERT_TRUE(discharge->isActive());
    EXPECT_EQ(discharge->title(), localized("停止放电"));
    click(discharge);
    ASSERT_TRUE(waitFor([&] { return countOf<ControlCommand::ForceDischarge>() == 1; }));
    EXPECT_EQ(performedCommands().back(), ControlCommand::forceDischarge(false));
}

TEST_F(PopoverActionsTest, ARefusedAndAFailedActionShowTheModelsMessageAndASuccessClearsIt)
{
    capabilities.forceDischarge = false;
    createSettledModel();
    showPopover();
    EXPECT_FALSE(feedback()->isVisible());

    click(actions()->dischargeTile());
    ASSERT_EQ(feedback()->state().kind, Kind::error);
    EXPECT_EQ(feedback()->messageLabel()->text(), *model->lastError());
    EXPECT_EQ(feedback()->messageLabel()->text(), localized("这台 Mac 未检测到可用的主动放电控制通道"));
    EXPECT_EQ(feedback()->tint(), VelkoraTheme::systemOrange());
    EXPECT_TRUE(feedback()->hasBorder());
    EXPECT_TRUE(waitFor([&] { return feedback()->isVisible(); }));
    EXPECT_EQ(countOf<ControlCommand::ForceDischarge>(), 0) << "a refusal sends nothing";

    holdCommands();
    click(actions()->topUpTile());
    ASSERT_TRUE(peer->waitForHeld(1));
    answerHeld("the battery controller did not answer");
    ASSERT_TRUE(waitFor([&] { return !model->isTopUpTransitioning(); }));
    settle();
    ASSERT_EQ(feedback()->state().kind, Kind::error);
    EXPECT_EQ(feedback()->messageLabel()->text(), *model->lastError());
    EXPECT_NE(feedback()->messageLabel()->text(), localized("这台 Mac 未检测到可用的主动放电控制通道"));

    // The banner's button opens the main window.
    click(feedback()->actionButton());
    EXPECT_EQ(mainWindowOpenings, 1);

    click(actions()->holdTile());
    ASSERT_TRUE(peer->waitForHeld(1));
    answerHeld();
    ASSERT_TRUE(waitFor([&] { return !model->lastError().has_value(); }));
    settle();
    EXPECT_EQ(feedback()->state().kind, Kind::none);
    EXPECT_TRUE(waitFor([&] { return !feedback()->isVisible(); }));
}

TEST_F(PopoverActionsTest, ApprovalComesFirstThenTheUpdateThenAnErrorTheLimitControlDoesNotShow)
{
    createSettledModel();
    reduceMotion.setReduceMotion(true);
    showPopover();
    const QString message = QStringLiteral("Couldn’t apply 60%");

    model->setLastError(message);
    model->setChargeLimitError(message);
    EXPECT_EQ(feedback()->state().kind, Kind::none) << "the charge-limit control shows it";
    EXPECT_FALSE(feedback()->isVisible());
    model->setChargeLimitError(std::nullopt);
    EXPECT_EQ(feedback()->state(), (MenuFeedbackState{Kind::error, message}));
    EXPECT_TRUE(feedback()->isVisible()) << "at once with reduced motion";

    model->setLastError(QString());
    EXPECT_EQ(feedback()->state().kind, Kind::none) << "an empty error shows nothing";
    EXPECT_FALSE(feedback()->isVisible());

    model->setLastError(message);
    {
        std::lock_guard lock(daemonMutex);
        health = DaemonHealth::make(DaemonProtocolVersion::current - 1, "unknown", "unknown",
                                    std::string(IPC::machServiceName), std::string(IPC::parentBundleIdentifier), true);
    }
    model->applicationDidBecomeActive();
    ASSERT_TRUE(waitFor([&] { return model->helperNeedsUpdate() && !model->helperStatus().isBusy(); }));
    settle();
    ASSERT_EQ(feedback()->state().kind, Kind::helperUpdate);
    EXPECT_EQ(feedback()->tint(), VelkoraTheme::warm());
    EXPECT_EQ(feedback()->messageLabel()->text(),
              L("The background service is outdated; update it before using quick actions.",
                "后台服务版本较旧，请先更新后再使用快捷操作。"));

    registration->currentStatus = platform::SMAppService::Status::requiresApproval;
    model->applicationDidBecomeActive();
    ASSERT_TRUE(waitFor([&] { return model->helperStatus() == HelperStatus::requiresApproval(); }));
    settle();
    ASSERT_EQ(feedback()->state().kind, Kind::approval) << "approval wins over the update and the error";
    EXPECT_FALSE(feedback()->hasBorder());
    EXPECT_EQ(feedback()->actionButton()->text(), L("Resolve Now", "立即解决"));
}

TEST_F(PopoverActionsTest, TheHeadersButtonOpensTheMainWindow)
{
    createSettledModel();
    showPopover();
    click(popover->header()->openButton());
    EXPECT_EQ(mainWindowOpenings, 1);
    EXPECT_EQ(popover->header()->openButton()->toolTip(), localized("打开能量控制台"));
}

}  // namespace

}  // namespace velkora::test
