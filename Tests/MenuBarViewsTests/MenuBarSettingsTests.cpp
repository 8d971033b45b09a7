// The menu-bar settings page: its option cards, switches and preview.

#include "../WindowViewTests/WindowFixture.h"

#include "MenuBar/StatusItemLabel.h"
#include "Settings/MenuBarOptionCard.h"
#include "Settings/MenuBarPreviewChip.h"
#include "Settings/MenuBarSettingsView.h"

#include "VisualKit/BatteryStatusTone.h"
#include "VisualKit/VelkoraSwitch.h"

#include "Services/AppLanguage.h"
#include "UserDefaults/UserDefaults.h"

#include <QSignalSpy>

namespace velkora::test {

namespace {

const QString emDash = QString(QChar(0x2014));

class MenuBarSettingsTest : public WindowFixture {
protected:
    explicit MenuBarSettingsTest(const std::string& hardware = "firmware-limit-laptop") : WindowFixture(hardware) {}

    MenuBarSettingsView* showPage()
    {
        page = show(new MenuBarSettingsView(environment()));
        return page;
    }

    template <typename Value>
    MenuBarOptionCard* card(const QString& prefix, Value value)
    {
        auto* found = page->findChild<MenuBarOptionCard*>(prefix + QString::fromUtf8(rawValue(value)));
        EXPECT_NE(found, nullptr) << (prefix + QString::fromUtf8(rawValue(value))).toStdString();
        return found;
    }

    // The cards of one row whose highlight is on.
    QStringList selectedCards(const QString& prefix)
    {
        QStringList selected;
        for (MenuBarOptionCard* each : page->findChildren<MenuBarOptionCard*>()) {
            if (each->objectName().startsWith(prefix) && each->isSelected()) {
                selected.append(each->objectName());
            }
        }
        return selected;
    }

    QString stored(const QString& key) { return platform::UserDefaults::standard().object(key).toString(); }

    void click(QAbstractButton* button)
    {
        QTest::mouseClick(button, Qt::LeftButton);
        settle();
    }

    StatusItemLabel statusLabel() const
    {
        return StatusItemLabel(model->telemetry(), model->settings(), model->batteryAvailability());
    }

    MenuBarSettingsView* page = nullptr;
};

class DesktopMenuBarSettingsTest : public MenuBarSettingsTest {
protected:
    DesktopMenuBarSettingsTest() : MenuBarSettingsTest("desktop") {}
};

TEST_F(MenuBarSettingsTest, EveryCardWritesItsSettingAtOnceAndTheStatusItemFollows)
{
    createSettledModel();
    showPage();
    const QString styles = QStringLiteral("icon-style-");
    EXPECT_EQ(selectedCards(styles), QStringList{"icon-style-dynamic"});
    for (MenuBarIconStyle style : allMenuBarIconStyles) {
        click(card(styles, style));
        EXPECT_EQ(model->settings().menuBarIconStyle(), style);
        EXPECT_EQ(stored("menuBarIconStyle"), QString::fromUtf8(rawValue(style)));
        EXPECT_EQ(selectedCards(styles), QStringList{styles + QString::fromUtf8(rawValue(style))});
        if (style != MenuBarIconStyle::dynamic) {
            EXPECT_EQ(statusLabel().statusSymbol(), QString::fromUtf8(previewSymbol(style)));
        }
    }

    const QString schemes = QStringLiteral("color-scheme-");
    EXPECT_EQ(selectedCards(schemes), QStringList{"color-scheme-tallowmere"});
    for (BatteryStatusColorScheme scheme : allBatteryStatusColorSchemes) {
        click(card(schemes, scheme));
        EXPECT_EQ(model->settings().batteryStatusColorScheme(), scheme);
        EXPECT_EQ(stored("batteryStatusColorScheme"), QString::fromUtf8(rawValue(scheme)));
        EXPECT_EQ(selectedCards(schemes), QStringList{schemes + QString::fromUtf8(rawValue(scheme))});
        EXPECT_EQ(page->previewChip()->foreground(), color(scheme, BatteryLevelBand::healthy));
    }
    // The system scheme's healthy colour is the label colour, in its card too.
    click(card(schemes, BatteryStatusColorScheme::system));
    const QColor fill = card(schemes, BatteryStatusColorScheme::system)->metrics().selectedFill;
    EXPECT_EQ(fill.rgb(), VelkoraTheme::label().rgb());
    EXPECT_NEAR(fill.alphaF(), VelkoraTheme::label().alphaF() * 0.12, 0.01);

    const QString layouts = QStringLiteral("layout-");
    for (MenuBarLayout layout : allMenuBarLayouts) {
        click(card(layouts, layout));
        EXPECT_EQ(model->settings().menuBarLayout(), layout);
        EXPECT_EQ(stored("menuBarLayout"), QString::fromUtf8(rawValue(layout)));
        EXPECT_EQ(selectedCards(layouts), QStringList{layouts + QString::fromUtf8(rawValue(layout))});
    }
    // Pressing the selected card writes the same value again: it is
    // published and stored anew.
    platform::UserDefaults::standard().removeObject(QStringLiteral("menuBarLayout"));
    ASSERT_TRUE(stored("menuBarLayout").isEmpty());
    QSignalSpy written(&model->settings(), &AppSettings::menuBarLayoutChanged);
    click(card(layouts, MenuBarLayout::detailed));
    ASSERT_EQ(written.count(), 1);
    EXPECT_EQ(stored("menuBarLayout"), QStringLiteral("detailed"));
    EXPECT_EQ(selectedCards(layouts), QStringList{"layout-detailed"});

    // A change made elsewhere moves the highlight.
    model->settings().setMenuBarLayout(MenuBarLayout::compact);
    EXPECT_EQ(selectedCards(layouts), QStringList{"layout-compact"});
}

TEST_F(MenuBarSettingsTest, ThePreviewShowsTheStatusItemsIconAndTextForEachChoice)
{
    createSettledModel();
    AppSettings& settings = model->settings();
    showPage();
    MenuBarPreviewChip* chip = page->previewChip();

    settings.setMenuBarIconStyle(MenuBarIconStyle::compact);
    settings.setShowPercentage(false);
    EXPECT_EQ(chip->content(), MenuBarPreviewChip::Content::boltSymbol);
    EXPECT_EQ(chip->text(), "80%") << "the compact style always shows the level";

    settings.setMenuBarIconStyle(MenuBarIconStyle::energy);
    settings.setShowPercentage(true);
    EXPECT_EQ(chip->content(), MenuBarPreviewChip::Content::batteryGlyph);
    EXPECT_TRUE(chip->glyphShowsBolt());
    EXPECT_EQ(chip->text(), "80%");

    for (MenuBarIconStyle style : {MenuBarIconStyle::dynamic, MenuBarIconStyle::classic}) {
        settings.setMenuBarIconStyle(style);
        settings.setShowPercentage(false);
        EXPECT_EQ(chip->content(), MenuBarPreviewChip::Content::batteryGlyph);
        EXPECT_FALSE(chip->glyphShowsBolt());
        EXPECT_EQ(chip->text(), QString()) << "the glyph alone";
    }
}

TEST_F(MenuBarSettingsTest, ThePowerFigureSwitchReplacesTheIconStylesAndThePercentageSwitch)
{
    createSettledModel();
    reduceMotion.setReduceMotion(true);
    showPage();
    auto* power = page->findChild<VelkoraSwitch*>(QStringLiteral("show-battery-power"));
    auto* percentage = page->findChild<VelkoraSwitch*>(QStringLiteral("show-percentage"));
    ASSERT_NE(power, nullptr);
    ASSERT_NE(percentage, nullptr);
    EXPECT_TRUE(card(QStringLiteral("icon-style-"), MenuBarIconStyle::dynamic)->isVisible());
    EXPECT_TRUE(percentage->isVisible());

    PowerSnapshot snapshot = model->telemetry().snapshot();
    snapshot.battery.systemLoadWatts = 0;
    model->telemetry().setSnapshot(snapshot);
    click(power);
    EXPECT_TRUE(model->settings().showBatteryPower());
    EXPECT_EQ(stored("showBatteryPower"), QStringLiteral("true"));
    EXPECT_FALSE(card(QStringLiteral("icon-style-"), MenuBarIconStyle::dynamic)->isVisible());
    EXPECT_FALSE(percentage->isVisible());
    EXPECT_EQ(page->previewChip()->content(), MenuBarPreviewChip::Content::powerBadge);
    EXPECT_EQ(page->previewChip()->fade(), 1.0) << "no cross-fade with reduced motion";
    EXPECT_TRUE(page->previewChip()->accessibleName().endsWith(emDash)) << "a load of 0 has no figure";
    EXPECT_EQ(statusLabel().content(), StatusItemLabel::Content::batteryPower);

    snapshot.battery.systemLoadWatts = 14.25;
    model->telemetry().setSnapshot(snapshot);
    EXPECT_TRUE(page->previewChip()->accessibleName().endsWith("14.2 W"));

    auto* hardware = page->findChild<VelkoraSwitch*>(QStringLiteral("show-hardware-percentage"));
    click(hardware);
    EXPECT_TRUE(model->settings().showHardwarePercentage());
    EXPECT_TRUE(performedCommands().empty()) << "the page only writes settings";
}

TEST_F(DesktopMenuBarSettingsTest, ADesktopGetsOnlyThePowerFigureSwitchAndItsPreview)
{
    createSettledModel();
    ASSERT_FALSE(model->batteryPresent());
    showPage();
    EXPECT_FALSE(page->showsBatteryForm());
    EXPECT_TRUE(page->findChildren<MenuBarOptionCard*>().isEmpty());
    MenuBarPreviewChip* chip = page->previewChip();
    EXPECT_EQ(chip->content(), MenuBarPreviewChip::Content::powerBadge);

    const AppClock::Date now = clock->date();
    model->telemetry().recordDesktopPower(DesktopPowerSample{now - std::chrono::seconds(6), 30.0}, now);
    settle();
    EXPECT_TRUE(chip->accessibleName().endsWith(emDash)) << "a reading older than five seconds";
    model->telemetry().recordDesktopPower(DesktopPowerSample{now, 30.0}, now);
    settle();
    EXPECT_TRUE(chip->accessibleName().endsWith("30.0 W"));

    click(page->findChild<VelkoraSwitch*>(QStringLiteral("show-desktop-power")));
    EXPECT_FALSE(model->settings().showDesktopPower());
    EXPECT_EQ(chip->content(), MenuBarPreviewChip::Content::boltSymbol);
}

}  // namespace

}  // namespace velkora::test
