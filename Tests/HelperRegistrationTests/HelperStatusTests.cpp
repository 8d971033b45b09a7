#include "Services/AppLanguage.h"
#include "Services/HelperStatus.h"

#include <gtest/gtest.h>

#include <cstdlib>

using velkora::AppLanguage;
using velkora::HelperStatus;

namespace {

// This suite runs twice, once in English and once with LANGUAGE=zh_CN.
bool expectChinese()
{
    const char* language = std::getenv("LANGUAGE");
    return language != nullptr && std::string(language).rfind("zh", 0) == 0;
}

}  // namespace

TEST(HelperStatus, TitlesActionsAndBusyFlagsInTheUsersLanguage)
{
    ASSERT_EQ(AppLanguage::isChinese(), expectChinese());
    const struct {
        HelperStatus status;
        const char* englishTitle;
        const char* chineseTitle;
        const char* englishAction;
        const char* chineseAction;
        bool busy;
    } cases[] = {
        {HelperStatus::repairFailed("disk full"), "Repair Failed", "修复失败", "Repair Now", "立即修复", false},
        {HelperStatus::unavailable("bad bundle"), "Connection Failed", "连接失败", "Install", "安装", false},
        {HelperStatus::unsupportedDevice(), "Background Service Not Needed", "无需后台服务", "Not Needed", "无需安装",
         false},
        {HelperStatus::notInstalled(), "Not Installed", "未安装", "Install", "安装", false},
        {HelperStatus::requiresApproval(), "Awaiting Approval", "等待系统批准", "Open System Settings",
         "打开系统设置", false},
        {HelperStatus::starting(), "Starting", "正在启动", "Working", "处理中", true},
        {HelperStatus::enabled(), "Enabled", "已启用", "Enabled", "已启用", false},
        {HelperStatus::versionMismatch(), "Update Required", "需要更新", "Repair Now", "立即修复", false},
        {HelperStatus::repairing(), "Repairing", "正在修复", "Working", "处理中", true},
        {HelperStatus::invalidLocation(), "Move to Applications", "需要安装到应用程序", "Install and Relaunch",
         "安装并重启", false},
        {HelperStatus::offline(), "Service Offline", "服务离线", "Repair Now", "立即修复", false},
    };
    const bool chinese = expectChinese();
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.englishTitle);
        EXPECT_EQ(testCase.status.title().toStdString(), chinese ? testCase.chineseTitle : testCase.englishTitle);
        EXPECT_EQ(testCase.status.actionTitle().toStdString(),
                  chinese ? testCase.chineseAction : testCase.englishAction);
        EXPECT_EQ(testCase.status.isBusy(), testCase.busy);
    }
}

TEST(HelperStatus, MessagesTellCasesApartButNeverShowInTheTitle)
{
    EXPECT_NE(HelperStatus::repairFailed("one"), HelperStatus::repairFailed("two"));
    EXPECT_EQ(HelperStatus::repairFailed("one").title(), HelperStatus::repairFailed("two").title());
    EXPECT_EQ(HelperStatus::unavailable("same"), HelperStatus::unavailable("same"));
    EXPECT_NE(HelperStatus::unavailable("same"), HelperStatus::repairFailed("same"));
    EXPECT_EQ(HelperStatus::offline(), HelperStatus::offline());
    EXPECT_NE(HelperStatus::offline(), HelperStatus::versionMismatch());
    EXPECT_EQ(HelperStatus::unavailable("the daemon is missing").title().indexOf("missing"), -1);
    EXPECT_EQ(HelperStatus::repairFailed("disk full").message(), "disk full");
}
