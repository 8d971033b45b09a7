// What the popover shows: the parts of each layout, the readings, and the
// content of a Mac without a battery.

#include "PopoverFixture.h"

#include "MenuBar/MenuChargeRing.h"
#include "MenuBar/MenuLiveStatus.h"
#include "MenuBar/MenuNoBatteryContent.h"
#include "MenuBar/MenuPopoverHeader.h"

#include "Battery/ChargeLimitControl.h"

#include "VisualKit/ContentUnavailableView.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraLabel.h"

#include "Services/AppLanguage.h"

#include <fstream>

namespace velkora::test {

namespace {

const QString emDash = QString(QChar(0x2014));

class PopoverContentTest : public PopoverFixture {};

class DesktopPopoverTest : public PopoverFixture {
protected:
    DesktopPopoverTest() : PopoverFixture("desktop") {}

    // A top that reports `lines` of "pid command power cpu".
    void installTop(const std::string& lines)
    {
        const auto top = simmac.root() / "usr/bin/top";
        std::filesystem::remove(top);
        std::ofstream(top) << "#!/bin/sh\ncat <<'END'\nPID COMMAND POWER CPU\n" << lines << "END\n";
        std::filesystem::permissions(top, std::filesystem::perms::owner_all);
    }

    // Ticks until the model is sure there is no battery.
    void detectAbsence()
    {
        for (int second = 0; second < 12 && model->batteryAvailability() == BatteryAvailability::detecting; ++second) {
            tick();
        }
        ASSERT_EQ(model->batteryAvailability(), BatteryAvailability::absent);
    }
};

TEST_F(PopoverContentTest, EachLayoutShowsItsPartsAndAChangeOfTheSettingShowsAtOnce)
{
    createSettledModel();
    showPopover();
    ASSERT_EQ(popover->content(), MenuPopoverView::Content::battery);
    EXPECT_EQ(model->settings().menuBarLayout(), MenuBarLayout::standard);
    ASSERT_NE(popover->limitControl(), nullptr);
    EXPECT_TRUE(popover->limitControl()->layoutOptions().compact);
    EXPECT_FALSE(popover->limitControl()->layoutOptions().embedded);
    EXPECT_EQ(popover->liveStatus(), nullptr);

    model->settings().setMenuBarLayout(MenuBarLayout::compact);
    EXPECT_EQ(popover->limitControl(), nullptr);
    EXPECT_EQ(popover->liveStatus(), nullptr);
    EXPECT_NE(popover->quickActions(), nullptr);
    EXPECT_NE(popover->feedback(), nullptr);

    model->settings().setMenuBarLayout(MenuBarLayout::detailed);
    EXPECT_NE(popover->limitControl(), nullptr);
    ASSERT_NE(popover->liveStatus(), nullptr);
    settle();
    EXPECT_TRUE(popover->liveStatus()->isVisible());
    EXPECT_EQ(popover->width(), MenuPopoverView::popoverWidth);
}

TEST_F(PopoverContentTest, TheHeaderAndTheLiveStatusFollowEachReading)
{
    createSettledModel();
    model->settings().setMenuBarLayout(MenuBarLayout::detailed);
    showPopover();
    PowerSnapshot snapshot = chargingSnapshot(0);
    snapshot.battery.hardwarePercentage = 37;
    snapshot.battery.powerWatts = 0;
    snapshot.battery.temperatureCelsius = 30.25;
    snapshot.adapter.inputWatts = 61.25;
    model->settings().setShowHardwarePercentage(true);
    model->telemetry().setSnapshot(snapshot);
    MenuChargeRing* ring = popover->header()->ring();
    EXPECT_EQ(ring->percentage(), 0) << "the displayed percentage, never the hardware one";
    EXPECT_EQ(ring->numberLabel()->text(), "0") << "no percent sign";
    EXPECT_EQ(popover->header()->stateLabel()->text(), appLocalizedName(ChargingState::charging));
    EXPECT_EQ(popover->liveStatus()->batteryTitle()->text(), localized("流入电池"));
    EXPECT_EQ(popover->liveStatus()->batteryValue()->text(), "0.0 W");
    EXPECT_EQ(popover->liveStatus()->adapterValue()->text(), "61.3 W");

    snapshot.battery.percentage = 100;
    snapshot.battery.powerWatts = -12.34;
    snapshot.state = ChargingState::onBattery;
    model->telemetry().setSnapshot(snapshot);
    EXPECT_EQ(ring->numberLabel()->text(), "100");
    EXPECT_EQ(popover->header()->stateLabel()->text(), appLocalizedName(ChargingState::onBattery));
    EXPECT_EQ(popover->liveStatus()->batteryTitle()->text(), localized("电池输出"));
    EXPECT_EQ(popover->liveStatus()->batteryValue()->text(), "12.3 W");
}

TEST_F(DesktopPopoverTest, APlaceholderShowsUntilTheAbsenceIsSureThenThePowerAndTheFirstThreeApplications)
{
    installTop("901 Alpha 9.0 1.0\n902 Bravo 7.5 1.0\n903 Charlie 5.25 1.0\n904 Delta 3.0 1.0\n");
    createSettledModel();
    ASSERT_FALSE(model->batteryPresent());
    showPopover();
    if (model->batteryAvailability() == BatteryAvailability::detecting) {
        EXPECT_EQ(popover->content(), MenuPopoverView::Content::detecting);
        ASSERT_NE(popover->placeholder(), nullptr);
        EXPECT_EQ(popover->placeholder()->titleLabel()->text(), localized("正在检测电源设备"));
    }
    detectAbsence();
    ASSERT_EQ(popover->content(), MenuPopoverView::Content::noBattery);
    MenuNoBatteryContent* content = popover->noBatteryContent();

    // Showing the popover again on a Mac known to have none samples once.
    popover->hide();
    popover->show();
    ASSERT_TRUE(waitFor([&] { return content->shownNames().size() == 3; }));
    EXPECT_EQ(content->shownNames(), (QStringList{"Alpha", "Bravo", "Charlie"}));

    const AppClock::Date now = clock->date();
    model->telemetry().recordDesktopPower(DesktopPowerSample{now, 42.15}, now);
    tick();
    EXPECT_EQ(content->powerFigure()->text(), "42.1 W");
    clock->advance(std::chrono::seconds(6));
    settle();
    EXPECT_EQ(content->powerFigure()->text(), emDash) << "a stale reading turns into the dash by itself";

    QTest::mouseClick(content->openButton(), Qt::LeftButton);
    EXPECT_EQ(mainWindowOpenings, 1);
}

TEST_F(DesktopPopoverTest, NoBusyApplicationShowsTheEmptyLine)
{
    installTop("");
    createSettledModel();
    detectAbsence();
    showPopover();
    ASSERT_EQ(popover->content(), MenuPopoverView::Content::noBattery);
    settle();
    EXPECT_TRUE(popover->noBatteryContent()->shownNames().isEmpty());
    auto* empty = popover->findChild<VelkoraLabel*>(QStringLiteral("menu-no-energy-apps"));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->text(), localized("暂无高能耗应用"));
}

}  // namespace

}  // namespace velkora::test
