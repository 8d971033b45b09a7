// Switches and pickers that also ask the daemon for a change: a change the
// daemon refuses, fails or leaves unanswered must not stay stored; the
// control returns to the value in force and the model's error says why.

#include "SettingsFixture.h"

#include "Settings/MagSafeLEDPanel.h"

#include "Services/AppLanguage.h"
#include "UserDefaults/UserDefaults.h"

#include <QAbstractItemView>
#include <QComboBox>

namespace velkora::test {
namespace {

class DaemonChangeRevert : public SettingsFixture {
protected:
    bool storedHardwarePercentage()
    {
        return platform::UserDefaults::standard().boolForKey(QStringLiteral("showHardwarePercentage"));
    }

    // Chooses `mode` in the LED picker as the user does: opens it and picks the row.
    void chooseLED(MagSafeLEDMode mode)
    {
        QComboBox* picker = page->ledPanel()->modePicker();
        ASSERT_TRUE(picker->isEnabled());
        const int index = picker->findData(rawValue(mode));
        ASSERT_GE(index, 0);
        picker->showPopup();
        settle();
        QAbstractItemView* list = picker->view();
        ASSERT_TRUE(list->isVisible());
        const QRect row = list->visualRect(list->model()->index(index, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
        settle();
    }

    std::vector<MagSafeLEDMode> sentLEDModes()
    {
        std::vector<MagSafeLEDMode> modes;
        for (const ControlCommand& command : performedCommands()) {
            if (const auto* led = std::get_if<ControlCommand::SetMagSafeLED>(&command.payload)) {
                modes.push_back(led->mode);
            }
        }
        return modes;
    }
};

TEST_F(DaemonChangeRevert, HardwarePercentageRefusedByTheDaemonReturnsOffWithTheDaemonsMessage)
{
    showPage();
    VelkoraSwitch* control = page->hardwarePercentageSwitch();
    ASSERT_FALSE(control->isChecked());
    refuseChanges("SMC write failed");

    click(control);
    ASSERT_TRUE(waitFor([&] { return model->lastError().has_value(); }));
    settle();
    EXPECT_EQ(*model->lastError(), QStringLiteral("SMC write failed"));
    EXPECT_FALSE(control->isChecked());
    EXPECT_FALSE(model->settings().showHardwarePercentage());
    EXPECT_FALSE(storedHardwarePercentage()) << "the refused value is not left in the user defaults";
    EXPECT_FALSE(model->policy().useHardwarePercentage);

    // Taken once the daemon agrees.
    setScript({});
    click(control);
    ASSERT_TRUE(waitFor([&] { return model->policy().useHardwarePercentage && !model->lastError(); }));
    ASSERT_TRUE(waitForPolicies(1)) << "the refused policy never reached the daemon's state";
    settle();
    EXPECT_TRUE(control->isChecked());
    EXPECT_TRUE(model->settings().showHardwarePercentage());
    EXPECT_TRUE(storedHardwarePercentage());
    EXPECT_TRUE(sentPolicies().back().useHardwarePercentage);
}

TEST_F(DaemonChangeRevert, HardwarePercentageUnansweredForFiveSecondsReturnsOff)
{
    showPage();
    holdCommands();
    VelkoraSwitch* control = page->hardwarePercentageSwitch();
    click(control);
    EXPECT_TRUE(control->isChecked()) << "on while the daemon has not answered";
    EXPECT_TRUE(model->settings().showHardwarePercentage());

    clock->advance(std::chrono::seconds(5));
    ASSERT_TRUE(waitFor([&] { return model->lastError().has_value(); }));
    settle();
    EXPECT_FALSE(control->isChecked());
    EXPECT_FALSE(model->settings().showHardwarePercentage());
    EXPECT_FALSE(model->policy().useHardwarePercentage);
}

// Without an enabled helper the switch is the menu bar's choice alone.
TEST_F(DaemonChangeRevert, HardwarePercentageWithoutAnEnabledHelperOnlyChangesTheDisplay)
{
    registration->currentStatus = platform::SMAppService::Status::notRegistered;
    createSettledModel();
    model->setLastError(std::nullopt);
    showPage();
    ASSERT_NE(model->helperStatus(), HelperStatus::enabled());
    click(page->hardwarePercentageSwitch());
    EXPECT_TRUE(page->hardwarePercentageSwitch()->isChecked());
    EXPECT_TRUE(model->settings().showHardwarePercentage());
    EXPECT_FALSE(model->lastError().has_value());
    EXPECT_TRUE(sentPolicies().empty());
}

TEST_F(DaemonChangeRevert, LEDManagementRefusedReturnsToThePolicysValue)
{
    showPage();
    VelkoraSwitch* manage = page->ledPanel()->manageSwitch();
    QComboBox* picker = page->ledPanel()->modePicker();
    ASSERT_TRUE(manage->isChecked());
    ASSERT_FALSE(picker->isEnabled()) << "the daemon drives the LED";
    refuseChanges("LED key refused");

    click(manage);
    ASSERT_TRUE(waitFor([&] { return model->lastError().has_value(); }));
    settle();
    EXPECT_EQ(*model->lastError(), QStringLiteral("LED key refused"));
    EXPECT_TRUE(model->policy().manageMagSafeLED);
    EXPECT_TRUE(manage->isChecked());
    EXPECT_FALSE(picker->isEnabled());

    setScript({});
    click(manage);
    ASSERT_TRUE(waitFor([&] { return !model->policy().manageMagSafeLED && !model->lastError(); }));
    ASSERT_TRUE(waitForPolicies(1)) << "the refused policy never reached the daemon's state";
    settle();
    EXPECT_FALSE(manage->isChecked());
    EXPECT_TRUE(picker->isEnabled()) << "the colour may be set by hand now";
    EXPECT_FALSE(sentPolicies().back().manageMagSafeLED);
}

TEST_F(DaemonChangeRevert, AnLEDColourTheDaemonRefusesGivesWayToTheColourBefore)
{
    daemonPolicy.manageMagSafeLED = false;
    showPage();
    MagSafeLEDPanel* panel = page->ledPanel();
    ASSERT_EQ(panel->shownMode(), MagSafeLEDMode::system);

    chooseLED(MagSafeLEDMode::green);
    ASSERT_TRUE(waitFor([&] { return sentLEDModes().size() == 1; }));
    settle();
    EXPECT_EQ(model->settings().manualLEDMode(), MagSafeLEDMode::green);
    EXPECT_EQ(panel->shownMode(), MagSafeLEDMode::green);

    refuseChanges("LED key refused");
    chooseLED(MagSafeLEDMode::orange);
    ASSERT_TRUE(waitFor([&] { return model->lastError().has_value(); }));
    settle();
    EXPECT_EQ(*model->lastError(), QStringLiteral("LED key refused"));
    EXPECT_EQ(model->settings().manualLEDMode(), MagSafeLEDMode::green);
    EXPECT_EQ(panel->shownMode(), MagSafeLEDMode::green);
    EXPECT_EQ(platform::UserDefaults::standard().object(QStringLiteral("manualLEDMode")).toInt(),
              rawValue(MagSafeLEDMode::green));

    // The mode shown is sent again when chosen again.
    setScript({});
    chooseLED(MagSafeLEDMode::green);
    ASSERT_TRUE(waitFor([&] { return sentLEDModes().size() == 2; }));
    EXPECT_EQ(sentLEDModes().back(), MagSafeLEDMode::green);
}

TEST_F(DaemonChangeRevert, AnLEDColourWithoutAnEnabledHelperIsNotKept)
{
    daemonPolicy.manageMagSafeLED = false;
    showPage();
    registration->currentStatus = platform::SMAppService::Status::requiresApproval;
    model->applicationDidBecomeActive();
    ASSERT_TRUE(waitFor([&] { return model->helperStatus() == HelperStatus::requiresApproval(); }));
    model->setLastError(std::nullopt);
    settle();

    chooseLED(MagSafeLEDMode::orange);
    ASSERT_TRUE(model->lastError().has_value());
    EXPECT_EQ(*model->lastError(), localized(QStringLiteral("请先安装并批准充电后台服务")));
    EXPECT_EQ(model->settings().manualLEDMode(), MagSafeLEDMode::system);
    EXPECT_EQ(page->ledPanel()->shownMode(), MagSafeLEDMode::system);
    EXPECT_TRUE(sentLEDModes().empty());
}

}  // namespace
}  // namespace velkora::test
