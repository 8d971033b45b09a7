#include "Services/AppSettings.h"

#include "AppKit/NSApplication.h"
#include "Foundation/NSError.h"

#include <TestSupport/TemporaryRoot.h>

#include <gtest/gtest.h>

using namespace velkora;
using platform::SMAppService;
using platform::UserDefaults;

namespace {

// A login item whose status and registration outcome a test sets.
class FakeLoginItem : public SMAppService {
public:
    void registerService() override
    {
        ++calls;
        if (failure) {
            throw *failure;
        }
        current = Status::enabled;
    }
    void unregisterService() override
    {
        ++calls;
        if (failure) {
            throw *failure;
        }
        current = Status::notRegistered;
    }
    Status status() const override { return current; }

    Status current = Status::notRegistered;
    std::optional<platform::NSError> failure;
    int calls = 0;
};

class AppSettingsTest : public testing::Test {
protected:
    UserDefaults defaults() const { return UserDefaults(QStringLiteral("com.velkora.app")); }

    TemporaryRoot root;
    std::shared_ptr<FakeLoginItem> loginItem = std::make_shared<FakeLoginItem>();
};

}  // namespace

TEST_F(AppSettingsTest, AnEmptyStoreGivesTheDefaults)
{
    loginItem->current = SMAppService::Status::enabled;
    const AppSettings settings(defaults(), loginItem);
    EXPECT_EQ(settings.appearance(), AppAppearance::dark);
    EXPECT_FALSE(settings.reduceTransparency());
    EXPECT_FALSE(settings.showDockIcon());
    EXPECT_TRUE(settings.launchAtLogin());
    EXPECT_TRUE(settings.showPercentage());
    EXPECT_FALSE(settings.showBatteryPower());
    EXPECT_TRUE(settings.showDesktopPower());
    EXPECT_FALSE(settings.showHardwarePercentage());
    EXPECT_FALSE(settings.overlayEnabled());
    EXPECT_TRUE(settings.overlayShowsPercentage());
    EXPECT_EQ(settings.menuItemSpacing(), 8.0);
    EXPECT_EQ(settings.menuBarIconStyle(), MenuBarIconStyle::dynamic);
    EXPECT_EQ(settings.menuBarLayout(), MenuBarLayout::standard);
    EXPECT_EQ(settings.batteryStatusColorScheme(), BatteryStatusColorScheme::tallowmere);
    EXPECT_EQ(settings.manualLEDMode(), MagSafeLEDMode::system);
    EXPECT_FALSE(settings.backgroundDashboardUpdates());
    EXPECT_FALSE(settings.runMissedTasks());

    loginItem->current = SMAppService::Status::requiresApproval;
    EXPECT_FALSE(AppSettings(defaults(), loginItem).launchAtLogin());
}

TEST_F(AppSettingsTest, StoredValuesAreTakenOnlyInTheirOwnType)
{
    struct Stored {
        const char* key;
        QVariant value;
    };
    UserDefaults store = defaults();
    for (const Stored& entry : {
             Stored{"appearance", QStringLiteral("Light")},
             Stored{"menuBarIconStyle", QStringLiteral("energy")},
             Stored{"menuBarLayout", qint64(1)},
             Stored{"batteryStatusColorScheme", QStringLiteral("ocean")},
             Stored{"showPercentage", false},
             Stored{"showDesktopPower", QStringLiteral("false")},
             Stored{"overlayShowsPercentage", qint64(0)},
             Stored{"showBatteryPower", QStringLiteral("YES")},
             Stored{"reduceTransparency", qint64(1)},
             Stored{"manualLEDMode", qint64(5)},
             Stored{"menuItemSpacing", qint64(12)},
             Stored{"launchAtLogin", true},
         }) {
        store.set(QString::fromLatin1(entry.key), entry.value);
    }
    const AppSettings settings(defaults(), loginItem);
    EXPECT_EQ(settings.appearance(), AppAppearance::dark);  // no raw value is capitalised
    EXPECT_EQ(settings.menuBarIconStyle(), MenuBarIconStyle::energy);
    EXPECT_EQ(settings.menuBarLayout(), MenuBarLayout::standard);
    EXPECT_EQ(settings.batteryStatusColorScheme(), BatteryStatusColorScheme::ocean);
    EXPECT_FALSE(settings.showPercentage());
    EXPECT_TRUE(settings.showDesktopPower());         // a text is no Boolean
    EXPECT_TRUE(settings.overlayShowsPercentage());   // nor is a number
    EXPECT_TRUE(settings.showBatteryPower());         // the store's Boolean reading of a text
    EXPECT_TRUE(settings.reduceTransparency());
    EXPECT_EQ(settings.manualLEDMode(), MagSafeLEDMode::system);  // 5 is no LED mode
    EXPECT_EQ(settings.menuItemSpacing(), 12.0);
    EXPECT_FALSE(settings.launchAtLogin());  // the login item's status counts, not the stored key

    store.set(QStringLiteral("manualLEDMode"), qint64(4));
    store.set(QStringLiteral("menuItemSpacing"), QStringLiteral("12"));
    const AppSettings again(defaults(), loginItem);
    EXPECT_EQ(again.manualLEDMode(), MagSafeLEDMode::orange);
    EXPECT_EQ(again.menuItemSpacing(), 8.0);
}

TEST_F(AppSettingsTest, SettingAnnouncesThenStoresEveryValueButTheSpacing)
{
    AppSettings settings(defaults(), loginItem);
    std::vector<std::string> events;
    QObject::connect(&settings, &AppSettings::objectWillChange, [&] {
        events.push_back("will " + std::string(settings.overlayEnabled() ? "on" : "off"));
    });
    QObject::connect(&settings, &AppSettings::overlayEnabledChanged,
                     [&](bool value) { events.push_back(std::string("changed ") + (value ? "on" : "off")); });
    settings.setOverlayEnabled(true);
    settings.setOverlayEnabled(true);
    EXPECT_EQ(events, (std::vector<std::string>{"will off", "changed on", "will on", "changed on"}));

    settings.setAppearance(AppAppearance::light);
    settings.setMenuBarLayout(MenuBarLayout::detailed);
    settings.setBatteryStatusColorScheme(BatteryStatusColorScheme::accessible);
    settings.setManualLEDMode(MagSafeLEDMode::blinkOrangeFast);
    settings.setShowPercentage(false);
    settings.setMenuItemSpacing(3.5);
    const UserDefaults store = defaults();
    EXPECT_EQ(store.object(QStringLiteral("appearance")), QVariant(QStringLiteral("light")));
    EXPECT_EQ(store.object(QStringLiteral("menuBarLayout")), QVariant(QStringLiteral("detailed")));
    EXPECT_EQ(store.object(QStringLiteral("batteryStatusColorScheme")), QVariant(QStringLiteral("accessible")));
    EXPECT_EQ(store.object(QStringLiteral("manualLEDMode")).toLongLong(), 7);
    EXPECT_EQ(store.object(QStringLiteral("showPercentage")), QVariant(false));
    EXPECT_EQ(store.object(QStringLiteral("overlayEnabled")), QVariant(true));
    EXPECT_FALSE(store.object(QStringLiteral("menuItemSpacing")).isValid());

    const AppSettings restarted(defaults(), loginItem);
    EXPECT_EQ(restarted.appearance(), AppAppearance::light);
    EXPECT_EQ(restarted.manualLEDMode(), MagSafeLEDMode::blinkOrangeFast);
    EXPECT_FALSE(restarted.showPercentage());
    EXPECT_EQ(restarted.menuItemSpacing(), 8.0);
}

TEST_F(AppSettingsTest, TheDockIconSwitchSetsTheActivationPolicyAndLasts)
{
    using platform::NSApplication;
    using platform::NSApplicationActivationPolicy;
    AppSettings settings(defaults(), loginItem);
    settings.setShowDockIcon(true);
    EXPECT_EQ(NSApplication::activationPolicy(), NSApplicationActivationPolicy::regular);
    settings.setShowDockIcon(false);
    EXPECT_EQ(NSApplication::activationPolicy(), NSApplicationActivationPolicy::accessory);
    EXPECT_FALSE(AppSettings(defaults(), loginItem).showDockIcon());
    EXPECT_EQ(defaults().object(QStringLiteral("showDockIcon")), QVariant(false));
}

TEST_F(AppSettingsTest, TheStoredDockIconChoiceIsAppliedAtStart)
{
    using platform::NSApplication;
    using platform::NSApplicationActivationPolicy;
    defaults().set(QStringLiteral("showDockIcon"), true);
    NSApplication::setActivationPolicy(NSApplicationActivationPolicy::accessory);
    const AppSettings shown(defaults(), loginItem);
    EXPECT_EQ(NSApplication::activationPolicy(), NSApplicationActivationPolicy::accessory)
        << "loading alone changes nothing";
    shown.applyDockIconVisibility();
    EXPECT_EQ(NSApplication::activationPolicy(), NSApplicationActivationPolicy::regular);

    defaults().set(QStringLiteral("showDockIcon"), false);
    AppSettings(defaults(), loginItem).applyDockIconVisibility();
    EXPECT_EQ(NSApplication::activationPolicy(), NSApplicationActivationPolicy::accessory);
}

TEST_F(AppSettingsTest, OnlyTheChargingPagesRequireABattery)
{
    std::vector<SidebarRoute> needing;
    for (const SidebarRoute route : allSidebarRoutes) {
        if (requiresBattery(route)) {
            needing.push_back(route);
        }
    }
    EXPECT_EQ(needing, (std::vector<SidebarRoute>{SidebarRoute::chargeControl, SidebarRoute::sleepBehavior,
                                                  SidebarRoute::schedules, SidebarRoute::shortcuts,
                                                  SidebarRoute::overlay}));
    EXPECT_EQ(symbol(SidebarRoute::overlay), "rectangle.inset.filled.and.person.filled");
    EXPECT_EQ(symbol(SidebarRoute::other), "cube");
}

TEST_F(AppSettingsTest, OnlyTheEnergyStylePreviewCarriesABolt)
{
    std::vector<std::string_view> symbols;
    for (const MenuBarIconStyle style : allMenuBarIconStyles) {
        symbols.push_back(previewSymbol(style));
    }
    EXPECT_EQ(symbols, (std::vector<std::string_view>{"battery.75percent", "battery.100percent",
                                                      "battery.100percent.bolt", "bolt.fill"}));
}

TEST_F(AppSettingsTest, LaunchAtLoginFollowsOnlyASuccessfulRegistration)
{
    AppSettings settings(defaults(), loginItem);
    settings.setLaunchAtLogin(true);
    EXPECT_TRUE(settings.launchAtLogin());
    EXPECT_EQ(loginItem->current, SMAppService::Status::enabled);
    EXPECT_EQ(defaults().object(QStringLiteral("launchAtLogin")), QVariant(true));

    loginItem->failure = platform::NSError("SMAppServiceErrorDomain", 1, {{platform::NSLocalizedDescriptionKey, std::string("Operation not permitted")}});
    bool announced = false;
    QObject::connect(&settings, &AppSettings::objectWillChange, [&] { announced = true; });
    try {
        settings.setLaunchAtLogin(false);
        FAIL() << "no error";
    } catch (const platform::NSError& error) {
        EXPECT_EQ(error.domain(), "SMAppServiceErrorDomain");
        EXPECT_STREQ(error.what(), "Operation not permitted");
    }
    EXPECT_TRUE(settings.launchAtLogin());
    EXPECT_FALSE(announced);
    EXPECT_EQ(defaults().object(QStringLiteral("launchAtLogin")), QVariant(true));
}

TEST_F(AppSettingsTest, TheRealLoginItemIsAnAutostartEntry)
{
    AppSettings settings(defaults());
    EXPECT_FALSE(settings.launchAtLogin());
    settings.setLaunchAtLogin(true);
    EXPECT_TRUE(AppSettings(defaults()).launchAtLogin());
    settings.setLaunchAtLogin(false);
    EXPECT_FALSE(AppSettings(defaults()).launchAtLogin());
}
