#include "OverlayFixture.h"

#include "Overlay/OverlaySettingsView.h"
#include "Overlay/OverlayWidgetView.h"

#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraSwitch.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/AppLanguage.h"
#include "Services/AppSettings.h"
#include "Services/TelemetryStore.h"

#include <QGraphicsOpacityEffect>

namespace velkora::test {
namespace {

class OverlayWidgetTest : public OverlayFixture {
protected:
    void SetUp() override
    {
        OverlayFixture::SetUp();
        createSettledModel();
        // Readings of the test's own: the model's poll cannot bring others.
        ViewEnvironment own = environment();
        own.telemetry = &telemetry;
        widget = std::make_unique<OverlayWidgetView>(own);
        widget->show();
        settle();
    }

    void TearDown() override
    {
        widget.reset();
        OverlayFixture::TearDown();
    }

    void read(std::int64_t percentage, bool charging, ChargingState state)
    {
        PowerSnapshot snapshot = chargingSnapshot(percentage);
        snapshot.battery.isCharging = charging;
        // The hardware figure differs, so that showing it would show.
        snapshot.battery.hardwarePercentage = percentage + 3;
        snapshot.state = state;
        telemetry.setSnapshot(snapshot);
        settle();
    }

    // Whether the percentage line is there to see.
    bool percentageShown() const
    {
        if (widget->percentageLabel()->isHidden()) {
            return false;
        }
        auto* effect = qobject_cast<QGraphicsOpacityEffect*>(widget->percentageLabel()->graphicsEffect());
        return !effect || effect->opacity() > 0.99;
    }

    TelemetryStore telemetry;
    std::unique_ptr<OverlayWidgetView> widget;
};

TEST_F(OverlayWidgetTest, TheCardShowsTheDisplayedPercentageAndTheStateInTheSchemesColours)
{
    model->settings().setShowHardwarePercentage(true);
    read(80, true, ChargingState::charging);
    EXPECT_EQ(widget->percentageLabel()->text(), QStringLiteral("80%"));
    EXPECT_EQ(widget->stateLabel()->text(), appLocalizedName(ChargingState::charging));
    EXPECT_EQ(widget->batterySymbol()->name(), QStringLiteral("battery.100percent.bolt"));
    const QColor healthy = VelkoraTheme::batteryLevelColor(80, BatteryStatusColorScheme::tallowmere);
    EXPECT_EQ(widget->batterySymbol()->color(), healthy);
    EXPECT_EQ(widget->levelColor(), healthy);
    EXPECT_EQ(widget->statusColor(),
              VelkoraTheme::batteryStatusColor(ChargingState::charging, 80, BatteryStatusColorScheme::tallowmere));

    model->settings().setBatteryStatusColorScheme(BatteryStatusColorScheme::accessible);
    settle();
    EXPECT_EQ(widget->batterySymbol()->color(),
              VelkoraTheme::batteryLevelColor(80, BatteryStatusColorScheme::accessible));
}

TEST_F(OverlayWidgetTest, ABatteryNotChargingShowsTheSameSymbolAtEveryLevelInItsBandsColour)
{
    QList<QColor> colours;
    for (const std::int64_t percentage : {5, 35, 95}) {
        read(percentage, false, ChargingState::paused);
        EXPECT_EQ(widget->batterySymbol()->name(), QStringLiteral("battery.75percent")) << percentage;
        EXPECT_EQ(widget->percentageLabel()->text(), QString::number(percentage) + QStringLiteral("%"));
        EXPECT_EQ(widget->batterySymbol()->color(),
                  VelkoraTheme::batteryLevelColor(static_cast<int>(percentage), BatteryStatusColorScheme::tallowmere));
        colours.append(widget->batterySymbol()->color());
    }
    EXPECT_NE(colours[0], colours[1]);
    EXPECT_NE(colours[1], colours[2]);
}

TEST_F(OverlayWidgetTest, ThePercentageLineFadesOutAndBackWithTheSetting)
{
    ASSERT_TRUE(percentageShown());
    model->settings().setOverlayShowsPercentage(false);
    animations.advanceBy(50);
    EXPECT_FALSE(widget->percentageLabel()->isHidden()) << "fading, not gone at once";
    finishAnimations();
    EXPECT_FALSE(percentageShown());

    model->settings().setOverlayShowsPercentage(true);
    finishAnimations();
    EXPECT_TRUE(percentageShown());
}

TEST_F(OverlayWidgetTest, WithReducedMotionThePercentageLineGoesAndComesAtOnce)
{
    reduceMotion.setReduceMotion(true);
    model->settings().setOverlayShowsPercentage(false);
    EXPECT_TRUE(widget->percentageLabel()->isHidden());
    model->settings().setOverlayShowsPercentage(true);
    EXPECT_TRUE(percentageShown());
}

TEST_F(OverlayWidgetTest, APanelFollowsItsCardsSize)
{
    presenter().show(*model);
    finishAnimations();
    OverlayPanel* panel = presenter().panel();
    ASSERT_NE(panel, nullptr);
    const QRect withPercentage = panel->cardGeometry();
    model->settings().setOverlayShowsPercentage(false);
    finishAnimations();
    EXPECT_LT(panel->cardGeometry().height(), withPercentage.height());
    EXPECT_EQ(panel->cardGeometry().size(), panel->widget()->size());
    EXPECT_EQ(panel->cardGeometry().topLeft(), withPercentage.topLeft());
    EXPECT_EQ(panel->size(), panel->widget()->size().grownBy(panel->shadowMargins()));
}

class OverlaySettingsViewTest : public OverlayFixture {
protected:
    explicit OverlaySettingsViewTest(const std::string& hardware = "firmware-limit-laptop") : OverlayFixture(hardware) {}

    void TearDown() override
    {
        page.reset();
        OverlayFixture::TearDown();
    }

    OverlaySettingsView* showPage()
    {
        page = std::make_unique<OverlaySettingsView>(environment());
        page->resize(910, 650);
        page->show();
        settle();
        return page.get();
    }

    std::unique_ptr<OverlaySettingsView> page;
};

TEST_F(OverlaySettingsViewTest, OpeningThePageShowsNothingAndTheSwitchShowsAndHidesTheOverlay)
{
    createSettledModel();
    model->settings().setOverlayEnabled(true);
    showPage();
    EXPECT_TRUE(page->enabledSwitch()->isChecked());
    EXPECT_EQ(presenter().panel(), nullptr);

    QTest::mouseClick(page->enabledSwitch(), Qt::LeftButton);
    EXPECT_FALSE(model->settings().overlayEnabled());
    EXPECT_EQ(presenter().panel(), nullptr);

    QTest::mouseClick(page->enabledSwitch(), Qt::LeftButton);
    EXPECT_TRUE(model->settings().overlayEnabled());
    ASSERT_NE(presenter().panel(), nullptr);
    finishAnimations();
    EXPECT_TRUE(presenter().panel()->isVisible());

    QTest::mouseClick(page->enabledSwitch(), Qt::LeftButton);
    EXPECT_TRUE(presenter().isHiding());
    finishAnimations();
    EXPECT_EQ(presenter().panel(), nullptr);
    EXPECT_FALSE(page->enabledSwitch()->isChecked());
}

TEST_F(OverlaySettingsViewTest, TheButtonShowsTheOverlayWithTheSwitchOffAndWritesNoSetting)
{
    createSettledModel();
    showPage();
    ASSERT_FALSE(model->settings().overlayEnabled());
    QTest::mouseClick(page->showButton(), Qt::LeftButton);
    finishAnimations();
    ASSERT_NE(presenter().panel(), nullptr);
    EXPECT_TRUE(presenter().panel()->isVisible());
    EXPECT_FALSE(model->settings().overlayEnabled());

    // Pressed again, it leaves the overlay where it is: one panel.
    OverlayPanel* panel = presenter().panel();
    QTest::mouseClick(page->showButton(), Qt::LeftButton);
    finishAnimations();
    EXPECT_EQ(presenter().panel(), panel);
    EXPECT_EQ(panels().size(), 1);

    // Leaving the page leaves the overlay.
    page.reset();
    settle();
    EXPECT_EQ(presenter().panel(), panel);
}

TEST_F(OverlaySettingsViewTest, ThePercentageSwitchWritesItsSetting)
{
    createSettledModel();
    showPage();
    ASSERT_TRUE(page->percentageSwitch()->isChecked());
    QTest::mouseClick(page->percentageSwitch(), Qt::LeftButton);
    EXPECT_FALSE(model->settings().overlayShowsPercentage());
    EXPECT_FALSE(AppSettings().overlayShowsPercentage()) << "stored at once";
}

class OverlaySettingsWithoutBatteryTest : public OverlaySettingsViewTest {
protected:
    OverlaySettingsWithoutBatteryTest() : OverlaySettingsViewTest("desktop") {}
};

TEST_F(OverlaySettingsWithoutBatteryTest, EveryControlIsDisabledWithoutABattery)
{
    capabilities.batteryPresent = false;
    createSettledModel();
    ASSERT_FALSE(model->batteryPresent());
    showPage();
    EXPECT_FALSE(page->enabledSwitch()->isEnabled());
    EXPECT_FALSE(page->percentageSwitch()->isEnabled());
    EXPECT_FALSE(page->showButton()->isEnabled());
    QTest::mouseClick(page->showButton(), Qt::LeftButton);
    EXPECT_EQ(presenter().panel(), nullptr);
}

}  // namespace
}  // namespace velkora::test
