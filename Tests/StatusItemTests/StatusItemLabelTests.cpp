// The status label: what it shows for every availability, style, state,
// band and colour scheme, and how it draws.

#include "MenuBar/MenuBarBatteryImage.h"
#include "MenuBar/StatusItemLabel.h"

#include "VisualKit/BatteryStatusTone.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/AppSettings.h"
#include "Services/TelemetryStore.h"

#include <TestSupport/TemporaryRoot.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace velkora::test {

namespace {

using namespace std::chrono_literals;

class NoLoginItem : public platform::SMAppService {
public:
    void registerService() override {}
    void unregisterService() override {}
    Status status() const override { return Status::notRegistered; }
};

class StatusItemLabelTest : public testing::Test {
protected:
    StatusItemLabelTest()
        : settings(platform::UserDefaults(QStringLiteral("com.velkora.app")), std::make_shared<NoLoginItem>())
    {
        settings.setShowPercentage(true);
        settings.setShowBatteryPower(false);
        settings.setShowDesktopPower(false);
        settings.setMenuBarIconStyle(MenuBarIconStyle::dynamic);
        settings.setBatteryStatusColorScheme(BatteryStatusColorScheme::tallowmere);
    }

    void battery(ChargingState state, int percentage, int hardwarePercentage = -1, double load = 0)
    {
        PowerSnapshot snapshot;
        snapshot.state = state;
        snapshot.battery.percentage = percentage;
        snapshot.battery.hardwarePercentage = hardwarePercentage < 0 ? percentage : hardwarePercentage;
        snapshot.battery.systemLoadWatts = load;
        telemetry.setSnapshot(snapshot);
    }

    StatusItemLabel label(BatteryAvailability availability = BatteryAvailability::present)
    {
        return StatusItemLabel(telemetry, settings, availability);
    }

    TemporaryRoot root;
    AppSettings settings;
    TelemetryStore telemetry;
    const TelemetryStore::Date now = std::chrono::system_clock::now();
    const QColor bar = Qt::white;
};

}  // namespace

TEST_F(StatusItemLabelTest, WhileTheBatteryIsDetectedTheLabelIsAnEllipsisInThePrimaryColour)
{
    battery(ChargingState::charging, 80);
    const StatusItemLabel detecting = label(BatteryAvailability::detecting);
    EXPECT_EQ(detecting.content(), StatusItemLabel::Content::icon);
    const StatusItemLabel::Icon icon = detecting.icon(now);
    EXPECT_EQ(icon.symbol, QStringLiteral("ellipsis"));
    EXPECT_FALSE(icon.image.has_value());
    EXPECT_TRUE(detecting.text().isEmpty());
    EXPECT_EQ(detecting.statusColor(bar), bar);
    EXPECT_FALSE(detecting.accessibilityLabel(now).has_value());
}

TEST_F(StatusItemLabelTest, WithoutABatteryTheLabelIsABoltOrTheDesktopPowerBadge)
{
    telemetry.setSnapshot(PowerSnapshot::noBattery());
    const StatusItemLabel bolt = label(BatteryAvailability::absent);
    EXPECT_EQ(bolt.content(), StatusItemLabel::Content::icon);
    EXPECT_EQ(bolt.icon(now).symbol, QStringLiteral("bolt.fill"));
    EXPECT_FALSE(bolt.icon(now).image.has_value());
    EXPECT_TRUE(bolt.text().isEmpty());
    EXPECT_EQ(bolt.statusColor(bar), bar);

    settings.setShowDesktopPower(true);
    const StatusItemLabel badge = label(BatteryAvailability::absent);
    EXPECT_EQ(badge.content(), StatusItemLabel::Content::desktopPower);
    const std::optional<MenuBarImage> image = badge.icon(now).image;
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->size(), QSizeF(82, 18));
    EXPECT_TRUE(image->isTemplate());
    EXPECT_TRUE(badge.text().isEmpty());
    // No reading yet, a live one, then one grown stale.
    EXPECT_EQ(badge.accessibilityLabel(now), QStringLiteral("System load —"));
    telemetry.recordDesktopPower(DesktopPowerSample{now - 2s, 12.34}, now - 2s);
    EXPECT_EQ(badge.accessibilityLabel(now), QStringLiteral("System load 12.3 W"));
    EXPECT_EQ(badge.accessibilityLabel(now + 4s), QStringLiteral("System load —"));
}

TEST_F(StatusItemLabelTest, BatteryPowerReplacesTheIconAndPercentageByABadgeWithoutABolt)
{
    settings.setShowBatteryPower(true);
    battery(ChargingState::charging, 76, -1, 7.46);
    const StatusItemLabel badge = label();
    EXPECT_EQ(badge.content(), StatusItemLabel::Content::batteryPower);
    EXPECT_TRUE(badge.text().isEmpty());
    const std::optional<MenuBarImage> image = badge.icon(now).image;
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->size(), QSizeF(82, 18));
    EXPECT_FALSE(image->isTemplate());
    EXPECT_EQ(badge.accessibilityLabel(now), QStringLiteral("Battery 76%, system load 7.5 W"));
    // The badge never draws a bolt: charging or not, the same pixels.
    const QImage charging = image->render(4);
    battery(ChargingState::onBattery, 76, -1, 7.46);
    EXPECT_EQ(label().icon(now).image->render(4), charging);

    settings.setBatteryStatusColorScheme(BatteryStatusColorScheme::system);
    EXPECT_TRUE(label().icon(now).image->isTemplate());
    // The badge is a battery's only: a Mac without one shows the bolt.
    telemetry.setSnapshot(PowerSnapshot::noBattery());
    EXPECT_EQ(label(BatteryAvailability::absent).content(), StatusItemLabel::Content::icon);
}

TEST_F(StatusItemLabelTest, EachStylePicksItsSymbolAndOnlyCompactAlwaysShowsThePercentage)
{
    battery(ChargingState::onBattery, 64);
    struct Case {
        MenuBarIconStyle style;
        QString symbol;
        bool bolt;
    };
    for (const Case& c : {Case{MenuBarIconStyle::classic, QStringLiteral("battery.100percent"), false},
                          Case{MenuBarIconStyle::energy, QStringLiteral("battery.100percent.bolt"), true},
                          Case{MenuBarIconStyle::compact, QStringLiteral("bolt.fill"), false},
                          Case{MenuBarIconStyle::dynamic, QStringLiteral("battery.100percent"), false}}) {
        settings.setMenuBarIconStyle(c.style);
        settings.setShowPercentage(true);
        EXPECT_EQ(label().statusSymbol(), c.symbol) << rawValue(c.style);
        EXPECT_EQ(label().text(), QStringLiteral("64%")) << rawValue(c.style);
        settings.setShowPercentage(false);
        EXPECT_EQ(label().text().isEmpty(), c.style != MenuBarIconStyle::compact) << rawValue(c.style);
        // "battery." symbols are drawn as the glyph; the bolt only for ".bolt".
        const std::optional<MenuBarImage> glyph = label().batteryImage();
        EXPECT_EQ(glyph.has_value(), c.symbol.startsWith(QStringLiteral("battery."))) << rawValue(c.style);
        if (glyph) {
            const MenuBarImage plain = MenuBarBatteryImage::make(64, false, label().imageStyle().color, false);
            EXPECT_EQ(glyph->render(4) != plain.render(4), c.bolt) << rawValue(c.style);
        }
    }
}

TEST_F(StatusItemLabelTest, TheDynamicStyleFollowsTheChargingState)
{
    struct Case {
        ChargingState state;
        QString symbol;
    };
    for (const Case& c : {Case{ChargingState::unavailable, QStringLiteral("battery.0percent")},
                          Case{ChargingState::error, QStringLiteral("battery.0percent")},
                          Case{ChargingState::charging, QStringLiteral("battery.100percent.bolt")},
                          Case{ChargingState::topUp, QStringLiteral("battery.100percent.bolt")},
                          Case{ChargingState::discharging, QStringLiteral("battery.50percent")},
                          Case{ChargingState::heatProtected, QStringLiteral("thermometer.high")},
                          Case{ChargingState::onBattery, QStringLiteral("battery.100percent")},
                          Case{ChargingState::paused, QStringLiteral("battery.100percent")},
                          Case{ChargingState::sailing, QStringLiteral("battery.100percent")},
                          Case{ChargingState::calibrating, QStringLiteral("battery.100percent")}}) {
        battery(c.state, 70);
        EXPECT_EQ(label().statusSymbol(), c.symbol) << static_cast<int>(c.state);
    }
}

TEST_F(StatusItemLabelTest, HeatProtectionShowsAThermometerInRedAndTroubleShowsTheGlyphInItsTone)
{
    battery(ChargingState::heatProtected, 70);
    const StatusItemLabel heat = label();
    EXPECT_FALSE(heat.batteryImage().has_value());
    ASSERT_TRUE(heat.coloredStatusImage().has_value());
    EXPECT_FALSE(heat.coloredStatusImage()->isTemplate());
    EXPECT_EQ(heat.imageStyle().color, VelkoraTheme::systemRed());
    EXPECT_EQ(heat.statusColor(bar), VelkoraTheme::systemRed());
    EXPECT_EQ(heat.icon(now).symbol, QStringLiteral("thermometer.high"));

    battery(ChargingState::unavailable, 70);
    EXPECT_EQ(label().imageStyle().color, VelkoraTheme::secondaryLabel());
    battery(ChargingState::error, 70);
    EXPECT_EQ(label().imageStyle().color, VelkoraTheme::systemRed());
    // Both draw the glyph filled by the percentage, without a bolt.
    const std::optional<MenuBarImage> glyph = label().batteryImage();
    ASSERT_TRUE(glyph.has_value());
    EXPECT_EQ(glyph->render(4), MenuBarBatteryImage::make(70, false, VelkoraTheme::systemRed(), false).render(4));
}

TEST_F(StatusItemLabelTest, OnlyTheSystemSchemesHealthyLevelMakesATemplateImage)
{
    for (const BatteryStatusColorScheme scheme : allBatteryStatusColorSchemes) {
        settings.setBatteryStatusColorScheme(scheme);
        for (const int percentage : {15, 21, 50, 51, 90}) {
            battery(ChargingState::onBattery, percentage);
            const StatusItemLabel shown = label();
            const bool healthy = percentage > 50;
            const bool isTemplate = scheme == BatteryStatusColorScheme::system && healthy;
            EXPECT_EQ(shown.imageStyle().isTemplate, isTemplate) << rawValue(scheme) << percentage;
            ASSERT_TRUE(shown.batteryImage().has_value());
            EXPECT_EQ(shown.batteryImage()->isTemplate(), isTemplate);
            EXPECT_EQ(shown.coloredStatusImage().has_value(), !isTemplate);
            if (isTemplate) {
                EXPECT_EQ(shown.statusColor(bar), bar);
            } else {
                const QColor expected = color(scheme, percentage < 21   ? BatteryLevelBand::critical
                                                      : percentage <= 50 ? BatteryLevelBand::low
                                                                         : BatteryLevelBand::healthy);
                EXPECT_EQ(shown.imageStyle().color, expected) << rawValue(scheme) << percentage;
                EXPECT_EQ(shown.statusColor(bar), expected);
            }
        }
    }
}

TEST_F(StatusItemLabelTest, TheHardwarePercentageReplacesTheBatteryPercentageWhenChosen)
{
    battery(ChargingState::onBattery, 80, 76);
    EXPECT_EQ(label().displayedPercentage(), 80);
    settings.setShowHardwarePercentage(true);
    EXPECT_EQ(label().displayedPercentage(), 76);
    EXPECT_EQ(label().text(), QStringLiteral("76%"));
}

TEST_F(StatusItemLabelTest, TheDrawnLabelIsTheIconBesideItsTextInTheStatusColour)
{
    settings.setBatteryStatusColorScheme(BatteryStatusColorScheme::system);
    battery(ChargingState::onBattery, 80);
    const QImage withText = label().render(2, bar, now);
    EXPECT_EQ(withText.height(), 44);
    settings.setShowPercentage(false);
    const QImage iconOnly = label().render(2, bar, now);
    EXPECT_EQ(iconOnly.width(), 50);
    EXPECT_GT(withText.width(), iconOnly.width() + 2 * 3);
    // A template glyph on a white bar is white.
    EXPECT_EQ(iconOnly.pixelColor(2 * 5, 2 * 11).rgb(), QColor(Qt::white).rgb());
    // The text's ink is the same colour.
    bool whiteText = false;
    for (int x = 56; x < withText.width() && !whiteText; ++x) {
        for (int y = 0; y < withText.height() && !whiteText; ++y) {
            const QColor pixel = withText.pixelColor(x, y);
            whiteText = pixel.alpha() == 255 && pixel.rgb() == QColor(Qt::white).rgb();
        }
    }
    EXPECT_TRUE(whiteText);
}

TEST_F(StatusItemLabelTest, DigitsAreMonospacedSoTheLabelKeepsItsWidthAsThePercentageChanges)
{
    battery(ChargingState::onBattery, 11);
    const int narrowDigits = label().render(2, bar, now).width();
    battery(ChargingState::onBattery, 88);
    EXPECT_EQ(label().render(2, bar, now).width(), narrowDigits);
    battery(ChargingState::onBattery, 100);
    EXPECT_GT(label().render(2, bar, now).width(), narrowDigits) << "a third digit takes room";
}

// The item draws a label only when its look changed, so a look that missed
// something the label draws would leave a stale label on the bar.
TEST_F(StatusItemLabelTest, TwoLabelsLookTheSameExactlyWhenTheyDrawTheSame)
{
    struct Drawn {
        StatusItemLabel::Look look;
        QImage image;
    };
    const auto draw = [&](BatteryAvailability availability = BatteryAvailability::present, qreal scale = 2,
                          const QColor& primary = Qt::white) {
        const StatusItemLabel shown = label(availability);
        return Drawn{shown.look(scale, primary, now), shown.render(scale, primary, now)};
    };
    battery(ChargingState::paused, 80, 78, 24.5);
    Drawn last = draw();
    // `changes`: whether the step must change the picture; empty where that
    // depends on the colours and formats chosen, and only the agreement counts.
    const auto step = [&](const char* what, Drawn next, std::optional<bool> changes) {
        const bool imageChanged = next.image != last.image;
        EXPECT_EQ(!(next.look == last.look), imageChanged) << what;
        if (changes) {
            EXPECT_EQ(imageChanged, *changes) << what;
        }
        last = std::move(next);
    };
    battery(ChargingState::paused, 80, 78, 26.0);
    step("a new load under the percentage", draw(), false);
    battery(ChargingState::paused, 81, 78, 26.0);
    step("one percent more", draw(), true);
    battery(ChargingState::charging, 81, 78, 26.0);
    step("charging again", draw(), true);
    settings.setBatteryStatusColorScheme(BatteryStatusColorScheme::system);
    step("the system's colours", draw(), std::nullopt);
    step("a black bar", draw(BatteryAvailability::present, 2, Qt::black), std::nullopt);
    step("a denser screen", draw(BatteryAvailability::present, 3, Qt::black), true);
    settings.setShowHardwarePercentage(true);
    step("the hardware's percentage", draw(BatteryAvailability::present, 3, Qt::black), true);
    settings.setShowBatteryPower(true);
    step("the power badge", draw(BatteryAvailability::present, 3, Qt::black), true);
    battery(ChargingState::charging, 81, 78, 26.01);
    step("a load the badge rounds away", draw(BatteryAvailability::present, 3, Qt::black), std::nullopt);
    battery(ChargingState::charging, 81, 78, 31.0);
    step("five watts more", draw(BatteryAvailability::present, 3, Qt::black), true);
    step("no battery", draw(BatteryAvailability::absent, 3, Qt::black), true);
    step("the battery being looked for", draw(BatteryAvailability::detecting, 3, Qt::black), true);
}

}  // namespace velkora::test
