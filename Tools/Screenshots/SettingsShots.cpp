// The general settings page: on a laptop whose helper is enabled (with the
// uninstall button, the LED set by hand), whose helper is not installed, in
// full length, and on a desktop without a battery; and the main window on it.

#include "BatteryScene.h"
#include "ScreenshotWorld.h"
#include "Shots.h"

#include "Settings/OtherSettingsView.h"
#include "Window/OnboardingView.h"
#include "Window/RootView.h"

#include "Services/UpdateCenter.h"
#include "Sparkle/SPUUserDriver.h"

namespace screenshots {

namespace {

using namespace velkora;

constexpr QSize fullLength(970, 1180);

// Pictures make no update checks of their own and show no updater dialogs.
struct SilentDriver : platform::SPUUserDriver {
    void showUpdateNotFound(const QString&, const QString&) override {}
    void showUpdateFound(const QString&, const platform::SUAppcastItem&, const QString&) override {}
    void showUpdaterError(const QString&) override {}
};

// `environment` with an update centre that lives as long as `owner`.
ViewEnvironment withUpdates(ViewEnvironment environment, QObject* owner)
{
    auto* updates = new UpdateCenter(std::make_unique<SilentDriver>(), owner);
    environment.updates = updates;
    return environment;
}

BatteryScene::Setup enabledHelper(bool manualLED)
{
    BatteryScene::Setup setup;
    setup.snapshot = BatteryScene::laptop(74, ChargingState::charging, "正在充电至 80%");
    setup.policy.managementEnabled = true;
    setup.policy.chargeLimit = 80;
    setup.policy.manageMagSafeLED = !manualLED;
    setup.historySeconds = 0;
    return setup;
}

ScreenshotPage onEnabledHelper(const QString& name, QSize size, bool manualLED)
{
    ScreenshotPage shot;
    shot.family = QStringLiteral("settings");
    shot.name = name;
    shot.size = size;
    const BatteryScene::Setup setup = enabledHelper(manualLED);
    shot.make = [setup, manualLED](const ViewEnvironment&) -> QWidget* {
        auto* scene = new BatteryScene(setup);
        if (manualLED) {
            scene->model().settings().setManualLEDMode(MagSafeLEDMode::green);
        }
        auto* view = new OtherSettingsView(withUpdates(scene->environment(), scene));
        return scene->attach(view);
    };
    return shot;
}

ScreenshotPage inWorld(const QString& name, QSize size, Hardware hardware,
                       std::function<QWidget*(ScreenshotWorld&)> make)
{
    ScreenshotPage shot;
    shot.family = QStringLiteral("settings");
    shot.name = name;
    shot.size = size;
    shot.hardware = hardware;
    shot.makeInWorld = std::move(make);
    return shot;
}

}  // namespace

void addSettingsShots(ScreenshotCatalog& catalog)
{
    catalog.add(onEnabledHelper(QStringLiteral("other"), pageAreaSize, false));
    catalog.add(onEnabledHelper(QStringLiteral("other-full-length"), fullLength, true));
    // The world's model has no helper installed.
    catalog.add(inWorld(QStringLiteral("other-not-installed"), fullLength, Hardware::laptop, [](ScreenshotWorld& world) {
        auto* holder = new QObject();
        auto* view = new OtherSettingsView(withUpdates(world.environment(), holder));
        holder->setParent(view);
        return view;
    }));
    catalog.add(inWorld(QStringLiteral("other-desktop"), pageAreaSize, Hardware::desktop, [](ScreenshotWorld& world) {
        auto* holder = new QObject();
        auto* view = new OtherSettingsView(withUpdates(world.environment(), holder));
        holder->setParent(view);
        return view;
    }));
    catalog.add(inWorld(QStringLiteral("other-window"), QSize(1180, 760), Hardware::laptop, [](ScreenshotWorld& world) {
        OnboardingView::setHasCompletedOnboarding(true);
        auto* holder = new QObject();
        auto* root = new RootView(withUpdates(world.environment(), holder));
        holder->setParent(root);
        root->setSelection(SidebarRoute::other);
        return root;
    }));
}

}  // namespace screenshots
