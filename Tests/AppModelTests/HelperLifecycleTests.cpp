#include "ModelFixture.h"

#include "Services/AppLanguage.h"
#include "UserDefaults/UserDefaults.h"

namespace velkora::test {
namespace {

class HelperLifecycleTest : public ModelFixture {};

TEST_F(HelperLifecycleTest, AFreshInstallWaitsForApprovalAndIsHealthyOnceApproved)
{
    registration->currentStatus = platform::SMAppService::Status::notRegistered;
    registration->approvedByUser = false;
    createSettledModel();
    EXPECT_EQ(model->helperStatus(), HelperStatus::notInstalled());
    EXPECT_EQ(peer->requestCount(), 0);

    model->performPrimaryHelperAction();
    EXPECT_EQ(registration->registrations, 1);
    EXPECT_EQ(model->helperStatus(), HelperStatus::requiresApproval());
    EXPECT_EQ(loginItemsOpened, 1);
    EXPECT_TRUE(platform::UserDefaults::standard().boolForKey("helperAwaitingSystemApproval"));
    EXPECT_EQ(model->lastError(), L("Allow Tallowmere to run in the background in System Settings → General → Login "
                                    "Items & Extensions",
                                    "请在“系统设置 → 通用 → 登录项与扩展”中允许 Tallowmere 在后台运行"));

    // The poll re-checks a helper awaiting approval every second tick.
    registration->currentStatus = platform::SMAppService::Status::enabled;
    tick(2);
    ASSERT_TRUE(waitFor([&] { return model->helperStatus() == HelperStatus::enabled(); }));
    EXPECT_FALSE(model->isAwaitingSystemApproval());
    EXPECT_FALSE(platform::UserDefaults::standard().object("helperAwaitingSystemApproval").isValid());
    EXPECT_EQ(model->lastError(), std::nullopt);
}

TEST_F(HelperLifecycleTest, ARegistrationThatVanishedWhileAwaitingApprovalIsRegisteredAgainByThePrimaryAction)
{
    platform::UserDefaults::standard().set("helperAwaitingSystemApproval", true);
    registration->currentStatus = platform::SMAppService::Status::notRegistered;
    registration->approvedByUser = false;
    createSettledModel();
    EXPECT_TRUE(model->isAwaitingSystemApproval());
    EXPECT_EQ(model->helperStatus(), HelperStatus::requiresApproval());
    EXPECT_EQ(loginItemsOpened, 0);

    model->performPrimaryHelperAction();
    EXPECT_EQ(registration->registrations, 1);
    EXPECT_EQ(registration->currentStatus, platform::SMAppService::Status::requiresApproval);
    EXPECT_EQ(loginItemsOpened, 1);

    // With a registration listed, the action only opens System Settings.
    model->performPrimaryHelperAction();
    EXPECT_EQ(registration->registrations, 1);
    EXPECT_EQ(loginItemsOpened, 2);
}

TEST_F(HelperLifecycleTest, TwoQuickRepairClicksRunOneRepair)
{
    createSettledModel();
    setScript([this](DaemonRequest& request) {
        request.answer(std::nullopt, "gone");
        handled();
    });
    tick(2);
    ASSERT_EQ(model->helperStatus(), HelperStatus::offline());

    setScript(nullptr);
    model->performPrimaryHelperAction();
    model->performPrimaryHelperAction();
    EXPECT_EQ(registration->unregistrations, 1);
    EXPECT_EQ(registration->registrations, 1);
    clock->advance(750ms);
    ASSERT_TRUE(waitFor([&] { return model->helperStatus() == HelperStatus::enabled(); }));
    model->performPrimaryHelperAction();
    EXPECT_EQ(registration->registrations, 1);
}

TEST_F(HelperLifecycleTest, ARepairThatMeetsABlockedRegistrationDatabaseSaysToRestart)
{
    health.identity.parentBundleIdentifier = "com.example.other";
    createSettledModel();
    ASSERT_EQ(model->helperStatus(), HelperStatus::versionMismatch());
    EXPECT_EQ(model->lastError(), L("The daemon identity does not match this app. Repair it manually, then approve it "
                                    "again.",
                                    "后台服务身份与当前应用不一致，请手动修复后重新批准。"));
    registration->registerError = platform::NSError(platform::SMAppServiceErrorDomain, 1, {});
    model->performPrimaryHelperAction();
    const QString text = L("The macOS background-service registration is inconsistent. Restart your Mac; if it still "
                           "fails, contact support to reset Background Items.",
                           "macOS 后台服务注册记录异常。请重启 Mac；若重启后仍失败，请联系支持执行后台项目重置。");
    EXPECT_EQ(model->helperStatus(), HelperStatus::repairFailed(text));
    EXPECT_EQ(model->lastError(), text);
    EXPECT_FALSE(model->isAwaitingSystemApproval());
}

TEST_F(HelperLifecycleTest, AHelperStillIncompatibleAfterARepairEndsTheRepairAsFailed)
{
    health.identity.protocolVersion = 9;
    createSettledModel();
    model->performPrimaryHelperAction();
    clock->advance(750ms);
    const QString text = L("The daemon is still incompatible after registration; contact support",
                           "后台服务重新注册后仍不兼容，请联系支持");
    ASSERT_TRUE(waitFor([&] { return model->helperStatus() == HelperStatus::repairFailed(text); }));
    EXPECT_EQ(model->lastError(), text);
}

TEST_F(HelperLifecycleTest, AStaleBuildIsKeptAndUsed)
{
    health.identity.helperBuild = "20240101.1";
    createSettledModel();
    EXPECT_EQ(model->helperStatus(), HelperStatus::enabled());
    EXPECT_FALSE(model->helperNeedsUpdate());
    EXPECT_EQ(platform::UserDefaults::standard().object("healthyHelperBuild").toString(), "20240101.1");
}

TEST_F(HelperLifecycleTest, ACopyOutsideApplicationsNeverContactsTheHelper)
{
    atExpectedLocation = false;
    createSettledModel();
    EXPECT_EQ(model->helperStatus(), HelperStatus::invalidLocation());
    EXPECT_EQ(model->lastError(), L("Tallowmere must be installed in Applications before enabling its charging daemon",
                                    "Tallowmere 必须安装到“应用程序”文件夹后才能启用充电后台服务"));
    tick(4);
    EXPECT_EQ(peer->requestCount(), 0);
    EXPECT_EQ(loginItem->registrations, 0);
}

TEST_F(HelperLifecycleTest, UninstallingRestoresTheHardwareDefaultsFirstEvenWhenTheDaemonDoesNotAnswer)
{
    createSettledModel();
    model->uninstallHelper();
    ASSERT_TRUE(waitFor([&] { return model->helperStatus() == HelperStatus::notInstalled(); }));
    ASSERT_EQ(performedCommands().size(), 1u);
    EXPECT_EQ(performedCommands()[0], ControlCommand::restoreDefaults());

    registration->currentStatus = platform::SMAppService::Status::enabled;
    setScript([this](DaemonRequest& request) {
        peer->hold(request);
        handled();
    });
    model->uninstallHelper();
    ASSERT_TRUE(peer->waitForHeld(1));
    clock->advance(5s);
    ASSERT_TRUE(waitFor([&] { return registration->unregistrations == 2; }));
}

}  // namespace
}  // namespace velkora::test
