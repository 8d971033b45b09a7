#include "SettingsFixture.h"

#include "Settings/HelperServicePanel.h"
#include "Settings/MagSafeLEDPanel.h"
#include "Settings/SoftwareUpdatePanel.h"
#include "Window/OnboardingView.h"
#include "Window/RootView.h"

#include "VisualKit/AppSheetPresenter.h"
#include "VisualKit/HelpLink.h"
#include "VisualKit/SegmentedPicker.h"
#include "VisualKit/SettingsRow.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraLabel.h"

#include "Services/AppLanguage.h"
#include "TestSupport/TemporaryRoot.h"

#include <QComboBox>
#include <QDialog>

#include <fstream>

namespace velkora::test {
namespace {

using OtherSettingsViewTest = SettingsFixture;

TEST_F(OtherSettingsViewTest, PlainPreferencesAreWrittenOnEveryChange)
{
    showPage();
    AppSettings& settings = model->settings();
    click(page->dockIconSwitch());
    EXPECT_TRUE(settings.showDockIcon());
    click(page->reduceTransparencySwitch());
    EXPECT_TRUE(settings.reduceTransparency());
    click(page->reduceTransparencySwitch());
    EXPECT_FALSE(settings.reduceTransparency());

    SegmentedPicker* appearance = page->appearancePicker();
    ASSERT_EQ(appearance->count(), 3);
    EXPECT_EQ(appearance->title(0), title(AppAppearance::system));
    EXPECT_EQ(appearance->title(2), title(AppAppearance::dark));
    EXPECT_EQ(appearance->currentIndex(), 2) << "dark by default";
    QTest::mouseClick(appearance, Qt::LeftButton, {}, appearance->segmentRect(1).center());
    EXPECT_EQ(settings.appearance(), AppAppearance::light);
    EXPECT_EQ(platform::UserDefaults::standard().object(QStringLiteral("appearance")).toString(), "light");
    QTest::mouseClick(appearance, Qt::LeftButton, {}, appearance->segmentRect(0).center());
    EXPECT_EQ(settings.appearance(), AppAppearance::system);

    // A change made elsewhere shows here.
    settings.setShowDockIcon(false);
    settings.setAppearance(AppAppearance::dark);
    EXPECT_FALSE(page->dockIconSwitch()->isChecked());
    EXPECT_EQ(appearance->currentIndex(), 2);
}

TEST_F(OtherSettingsViewTest, LaunchAtLoginShowsTheLoginItemAndReportsAFailedRegistration)
{
    loginItem->currentStatus = platform::SMAppService::Status::notRegistered;
    // Never switched off: the application registers itself at start, and the switch shows it.
    showPage();
    VelkoraSwitch* control = page->launchAtLoginSwitch();
    EXPECT_EQ(loginItem->registrations, 1);
    ASSERT_TRUE(control->isChecked());
    click(control);
    EXPECT_FALSE(control->isChecked());
    EXPECT_EQ(loginItem->unregistrations, 1);
    EXPECT_FALSE(model->settings().launchAtLogin());

    loginItem->registerError = platform::NSError::posix(EACCES, "Cannot create the autostart folder");
    model->setLastError(std::nullopt);
    click(control);
    EXPECT_FALSE(control->isChecked()) << "the switch keeps the login item's state";
    EXPECT_FALSE(model->settings().launchAtLogin());
    ASSERT_TRUE(model->lastError().has_value());
    EXPECT_EQ(*model->lastError(), QString::fromStdString(loginItem->registerError->localizedDescription()));
    EXPECT_TRUE(model->lastError()->startsWith(QStringLiteral("Cannot create the autostart folder")));

    loginItem->registerError.reset();
    click(control);
    EXPECT_TRUE(control->isChecked());
    EXPECT_EQ(loginItem->registrations, 3);
}

// The start-up's own registration must not undo the user's choice.
TEST_F(OtherSettingsViewTest, LaunchAtLoginSwitchedOffStaysOffAfterARestart)
{
    showPage();
    click(page->launchAtLoginSwitch());
    ASSERT_FALSE(model->settings().launchAtLogin());
    const int registrations = loginItem->registrations;
    window.reset();
    destroyModel();

    createSettledModel();
    showPage();
    EXPECT_EQ(loginItem->registrations, registrations);
    EXPECT_EQ(loginItem->currentStatus, platform::SMAppService::Status::notRegistered);
    EXPECT_FALSE(model->settings().launchAtLogin());
    EXPECT_FALSE(page->launchAtLoginSwitch()->isChecked());
}

TEST_F(OtherSettingsViewTest, TheLEDPickerOffersFiveModesAndIsFreeOnlyWithoutAutomaticIndication)
{
    showPage();
    MagSafeLEDPanel* panel = page->ledPanel();
    QComboBox* picker = panel->modePicker();
    ASSERT_EQ(picker->count(), 5);
    for (int index = 0; index < 5; ++index) {
        EXPECT_EQ(picker->itemData(index).toInt(), rawValue(MagSafeLEDPanel::offeredModes.at(index)));
    }
    EXPECT_EQ(picker->findData(rawValue(MagSafeLEDMode::blinkOrangeFast)), -1);
    EXPECT_FALSE(picker->isEnabled());
    HelpLink* help = panel->modeRow()->helpLink();
    EXPECT_EQ(help->helpText(), localized(QStringLiteral("自动指示已开启；关闭下方开关后可手动设置颜色。")));

    click(panel->manageSwitch());
    ASSERT_TRUE(waitForPolicies(1));
    settle();
    EXPECT_TRUE(picker->isEnabled());
    EXPECT_EQ(help->helpText(),
              localized(QStringLiteral("立即设置 MagSafe 指示灯颜色，选择“系统”可恢复 macOS 默认行为。")));

    // A stored mode the picker does not offer shows no choice.
    model->settings().setManualLEDMode(MagSafeLEDMode::blinkOrangeFast);
    EXPECT_EQ(picker->currentIndex(), -1);
    EXPECT_EQ(panel->shownMode(), std::nullopt);
}

TEST_F(OtherSettingsViewTest, WithoutAnLEDBothLEDControlsAreOffAndNothingIsSent)
{
    capabilities.magSafeLED = false;
    daemonPolicy.manageMagSafeLED = false;
    showPage();
    ASSERT_FALSE(model->capabilities().magSafeLED);
    EXPECT_FALSE(page->ledPanel()->modePicker()->isEnabled());
    EXPECT_FALSE(page->ledPanel()->manageSwitch()->isEnabled());
    QTest::mouseClick(page->ledPanel()->manageSwitch(), Qt::LeftButton);
    settle();
    EXPECT_TRUE(performedCommands().empty());
}

TEST_F(OtherSettingsViewTest, TheHelperPanelUninstallsWithABusyButtonAndThenOffersTheInstall)
{
    showPage();
    HelperServicePanel* panel = page->helperPanel();
    EXPECT_EQ(panel->statusLine()->text(), L("Status: ", "状态：") + HelperStatus::enabled().title());
    ASSERT_TRUE(panel->uninstallButton()->isVisible());
    EXPECT_FALSE(panel->actionButton()->isVisible());
    EXPECT_EQ(panel->uninstallButton()->buttonStyle(), VelkoraButton::Style::destructive);

    holdCommands();
    click(panel->uninstallButton());
    EXPECT_TRUE(model->isUninstallingHelper());
    EXPECT_FALSE(panel->uninstallButton()->isEnabled()) << "one uninstall at a time";
    EXPECT_EQ(panel->uninstallButton()->symbol(), QStringLiteral("ellipsis"));

    // The daemon hands the hardware back before it goes.
    std::vector<DaemonRequest> held;
    ASSERT_TRUE(waitFor([&] {
        for (DaemonRequest& request : peer->takeHeld()) {
            held.push_back(std::move(request));
        }
        return !held.empty();
    }));
    EXPECT_TRUE(std::holds_alternative<ControlCommand::RestoreDefaults>(
        IPC::decode<ControlCommand>(*held.front().argument).payload));
    EXPECT_EQ(registration->unregistrations, 0);
    for (DaemonRequest& request : held) {
        request.answer(IPC::encode(daemonSnapshot), std::nullopt);
    }
    ASSERT_TRUE(waitFor([&] { return model->helperStatus() == HelperStatus::notInstalled(); }));
    settle();
    EXPECT_EQ(registration->unregistrations, 1);
    EXPECT_FALSE(panel->uninstallButton()->isVisible());
    ASSERT_TRUE(panel->actionButton()->isVisible());
    EXPECT_TRUE(panel->actionButton()->isEnabled());
    EXPECT_EQ(panel->actionButton()->text(), L("Install", "安装"));
    EXPECT_EQ(panel->statusLine()->text(), L("Status: ", "状态：") + localized(QStringLiteral("未安装")));

    // Installing: the button is busy while the helper starts, then gives way to the uninstall.
    setScript({});
    click(panel->actionButton());
    ASSERT_TRUE(waitFor([&] { return model->helperStatus() == HelperStatus::enabled(); }));
    settle();
    EXPECT_EQ(registration->registrations, 1);
    EXPECT_TRUE(panel->uninstallButton()->isVisible());
    EXPECT_TRUE(panel->uninstallButton()->isEnabled());
}

TEST_F(OtherSettingsViewTest, ABusyHelperDisablesTheActionButton)
{
    registration->currentStatus = platform::SMAppService::Status::notRegistered;
    createSettledModel();
    showPage();
    HelperServicePanel* panel = page->helperPanel();
    // The new helper answers nothing, so it stays starting however fast the test runs.
    setScript([this](DaemonRequest& request) {
        peer->hold(request);
        handled();
    });
    click(panel->actionButton());
    ASSERT_TRUE(waitFor([&] { return model->helperStatus().isBusy(); }));
    settle();
    EXPECT_FALSE(panel->actionButton()->isEnabled());
    EXPECT_EQ(panel->actionButton()->text(), model->helperStatus().actionTitle());
    EXPECT_EQ(panel->actionButton()->symbol(), QStringLiteral("ellipsis"));

    // Once the helper answers, the uninstall takes the button's place.
    setScript({});
    for (DaemonRequest& request : peer->takeHeld()) {
        answerNormally(request);
    }
    ASSERT_TRUE(waitFor([&] { return model->helperStatus() == HelperStatus::enabled(); }));
    settle();
    EXPECT_TRUE(panel->uninstallButton()->isVisible());
}

TEST_F(OtherSettingsViewTest, UpdatesFollowTheUpdater)
{
    showPage();
    SoftwareUpdatePanel* panel = page->updatePanel();
    ASSERT_FALSE(updates->automaticallyChecksForUpdates());
    click(panel->automaticCheckSwitch());
    EXPECT_TRUE(updates->automaticallyChecksForUpdates());
    EXPECT_EQ(platform::UserDefaults::standard().object(QStringLiteral("SUEnableAutomaticChecks")), QVariant(true));
    // The tests run from the build tree: no information dictionary, so the
    // check ends at once in the updater's error.
    EXPECT_EQ(panel->versionLine()->text(), L("Current version: v0", "当前版本：v0"));
    ASSERT_EQ(*updateOutcomes, 0);
    click(panel->checkButton());
    EXPECT_TRUE(waitFor([&] { return *updateOutcomes == 1; })) << "a check the user asked for";
}

TEST_F(OtherSettingsViewTest, TheAutomaticCheckSwitchFollowsTheUpdatersOwnChangesWhileThePageIsUp)
{
    showPage();
    VelkoraSwitch* automatic = page->updatePanel()->automaticCheckSwitch();
    ASSERT_FALSE(automatic->isChecked());
    updates->updater().setAutomaticallyChecksForUpdates(true);
    EXPECT_TRUE(automatic->isChecked());
    updates->updater().setAutomaticallyChecksForUpdates(false);
    EXPECT_FALSE(automatic->isChecked());

    // And the switch still writes to the updater after following it.
    click(automatic);
    EXPECT_TRUE(updates->automaticallyChecksForUpdates());
    EXPECT_TRUE(automatic->isChecked());
}

TEST(AppVersion, IsTheBundlesShortVersionWhenItIsText)
{
    TemporaryRoot root;
    const auto bundleWith = [&](const std::string& value, const std::string& name) {
        const std::filesystem::path bundle = root.path() / (name + ".app");
        std::filesystem::create_directories(bundle / "Contents");
        std::ofstream(bundle / "Contents" / "Info.plist")
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
            << "<key>CFBundleShortVersionString</key>" << value << "</dict></plist>\n";
        return platform::Bundle(bundle);
    };
    EXPECT_EQ(SoftwareUpdatePanel::appVersion(bundleWith("<string>2.4.1</string>", "text")), "2.4.1");
    EXPECT_EQ(SoftwareUpdatePanel::appVersion(bundleWith("<true/>", "flag")), "0");
    EXPECT_EQ(SoftwareUpdatePanel::appVersion(platform::Bundle(root.path() / "missing.app")), "0");
}

class OtherSettingsWithoutBattery : public SettingsFixture {
protected:
    OtherSettingsWithoutBattery() : SettingsFixture("desktop") {}
};

TEST_F(OtherSettingsWithoutBattery, TheBatterySectionsGiveWayToTheDevicePanel)
{
    createSettledModel();
    ASSERT_TRUE(waitFor([&] {
        tick();
        return model->batteryAvailability() == BatteryAvailability::absent;
    }));
    showPage();
    EXPECT_FALSE(page->hardwarePercentageRow()->isVisible());
    EXPECT_FALSE(page->ledPanel()->isVisible());
    EXPECT_FALSE(page->helperPanel()->isVisible());
    EXPECT_FALSE(page->welcomeButton()->isVisible());
    EXPECT_TRUE(page->noBatteryPanel()->isVisible());
    EXPECT_TRUE(page->updatePanel()->isVisible());
    EXPECT_EQ(page->launchAtLoginRow()->helpLink()->helpText(),
              localized(QStringLiteral("登录 macOS 后自动启动菜单栏与能耗监测。")));
    QStringList texts;
    for (const VelkoraLabel* label : page->noBatteryPanel()->findChildren<VelkoraLabel*>()) {
        texts.append(label->text());
    }
    EXPECT_TRUE(texts.contains(L("No Built-in Battery", "无内置电池")));
}

// On a laptop every section shows.
TEST_F(OtherSettingsViewTest, TheBatterySectionsFollowTheModel)
{
    showPage();
    EXPECT_TRUE(page->hardwarePercentageRow()->isVisible());
    EXPECT_TRUE(page->ledPanel()->isVisible());
    EXPECT_TRUE(page->helperPanel()->isVisible());
    EXPECT_TRUE(page->welcomeButton()->isVisible());
    EXPECT_FALSE(page->noBatteryPanel()->isVisible());
    EXPECT_EQ(page->launchAtLoginRow()->helpLink()->helpText(),
              localized(QStringLiteral("登录 macOS 后自动启动菜单栏与充电策略。")));
}

TEST_F(OtherSettingsViewTest, ReshowingTheWelcomePresentsItOverTheMainWindow)
{
    createSettledModel();
    OnboardingView::setHasCompletedOnboarding(true);
    auto* root = show(new RootView(environment()), QSize(1180, 760));
    root->setSelection(SidebarRoute::other);
    settle();
    auto* settingsPage = qobject_cast<OtherSettingsView*>(root->page());
    ASSERT_NE(settingsPage, nullptr);
    ASSERT_EQ(root->sheets()->sheet(), nullptr);

    click(settingsPage->welcomeButton());
    EXPECT_FALSE(OnboardingView::hasCompletedOnboarding());
    EXPECT_EQ(router.presentedSheet(), AppSheetDestination::onboarding);
    QDialog* sheet = root->sheets()->sheet();
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(waitFor([&] { return sheet->isVisible(); }));
    EXPECT_NE(sheet->findChild<OnboardingView*>(), nullptr);
}

}  // namespace
}  // namespace velkora::test
