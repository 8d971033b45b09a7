#include "SystemSettings/LoginItemsPage.h"
#include "TestSupport/SimmacProcess.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QUrl>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using platform::LoginItemsPage;

const std::string label = "com.velkora.settings-test-helper";
const std::string plistName = label + ".plist";

// A bundle "Helper Owner.app" whose one daemon simmac can register.
class LoginItemsPageTest : public testing::Test {
protected:
    void SetUp() override
    {
        const fs::path daemons = bundle() / "Contents/Library/LaunchDaemons";
        fs::create_directories(daemons);
        fs::copy_file("/bin/true", daemons / "Helper");
        std::ofstream(bundle() / "Contents/Info.plist")
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
               "<key>CFBundleName</key><string>Helper Owner</string></dict></plist>\n";
        std::ofstream(daemons / plistName)
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
               "<key>Label</key><string>" + label + "</string>"
               "<key>BundleProgram</key><string>Contents/Library/LaunchDaemons/Helper</string>"
               "<key>MachServices</key><dict><key>" + label + "</key><true/></dict></dict></plist>\n";
    }

    fs::path bundle() const { return simmac.root() / "Applications/Helper Owner.app"; }

    void registerHelper() const { simmac.request("launchd.register", {{"bundle", bundle().string()}, {"plist", plistName}}); }

    std::string status() const
    {
        return simmac.request("launchd.status", {{"bundle", bundle().string()}, {"plist", plistName}})["status"];
    }

    testsupport::SimmacProcess simmac;
};

TEST_F(LoginItemsPageTest, TheSwitchApprovesAnItemAndTurnsItOffAgainAsSimmacctlDoes)
{
    LoginItemsPage empty;
    EXPECT_EQ(empty.allowSwitch(QString::fromStdString(label)), nullptr);

    registerHelper();
    LoginItemsPage page;
    page.show();
    QAbstractButton* allow = page.allowSwitch(QString::fromStdString(label));
    ASSERT_NE(allow, nullptr);
    EXPECT_EQ(allow->text(), "Allow in the Background");
    EXPECT_FALSE(allow->isChecked());
    EXPECT_EQ(status(), "requiresApproval");
    // The row names the application the item came with.
    bool named = false;
    for (const QLabel* text : page.findChildren<QLabel*>()) {
        named |= text->isVisible() && text->text() == "Helper Owner";
    }
    EXPECT_TRUE(named);

    QTest::mouseClick(allow, Qt::LeftButton);
    EXPECT_EQ(status(), "enabled");
    EXPECT_EQ(page.problem(), "");

    allow = page.allowSwitch(QString::fromStdString(label));
    ASSERT_NE(allow, nullptr);
    QTest::mouseClick(allow, Qt::LeftButton);
    EXPECT_EQ(status(), "requiresApproval");
    EXPECT_FALSE(page.allowSwitch(QString::fromStdString(label))->isChecked());

    // Approved elsewhere meanwhile: the page shows it once it reads the list again.
    simmac.simmacctl({"approve", label});
    page.reload();
    EXPECT_TRUE(page.allowSwitch(QString::fromStdString(label))->isChecked());
}

TEST_F(LoginItemsPageTest, AnItemThatWentAwayUnderThePageIsReportedAndLeavesTheList)
{
    registerHelper();
    LoginItemsPage page;
    page.show();
    QAbstractButton* allow = page.allowSwitch(QString::fromStdString(label));
    ASSERT_NE(allow, nullptr);

    simmac.request("launchd.unregister", {{"bundle", bundle().string()}, {"plist", plistName}});
    QTest::mouseClick(allow, Qt::LeftButton);
    EXPECT_EQ(page.problem().toStdString(), "no background item \"" + label + "\" is registered");
    EXPECT_EQ(page.allowSwitch(QString::fromStdString(label)), nullptr);
    EXPECT_EQ(status(), "notRegistered");
}

// Drops `paths` (as file URLs) on the page; whether the page took them.
bool drop(LoginItemsPage& page, const std::vector<fs::path>& paths)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const fs::path& path : paths) {
        urls.append(QUrl::fromLocalFile(QString::fromStdString(path.string())));
    }
    data.setUrls(urls);
    const QPoint centre = page.rect().center();
    QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&page, &enter);
    if (!enter.isAccepted()) {
        return false;
    }
    QDropEvent dropped(QPointF(centre), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&page, &dropped);
    return dropped.isAccepted();
}

TEST_F(LoginItemsPageTest, ADroppedApplicationAddsItsBackgroundItemsAllowed)
{
    LoginItemsPage page;
    page.show();
    EXPECT_EQ(status(), "notRegistered");
    // Files that are no application bundle are not taken.
    const fs::path other = simmac.root() / "notes.txt";
    std::ofstream(other) << "text";
    EXPECT_FALSE(drop(page, {other}));
    EXPECT_EQ(page.allowSwitch(QString::fromStdString(label)), nullptr);

    ASSERT_TRUE(drop(page, {bundle()}));
    EXPECT_EQ(status(), "enabled");
    QAbstractButton* allow = page.allowSwitch(QString::fromStdString(label));
    ASSERT_NE(allow, nullptr);
    EXPECT_TRUE(allow->isChecked());
    EXPECT_EQ(page.problem(), "");

    // An application without background items says so.
    const fs::path plain = simmac.root() / "Applications/Plain.app";
    fs::create_directories(plain / "Contents");
    ASSERT_TRUE(drop(page, {plain}));
    EXPECT_EQ(page.problem(), "Plain has no background items to allow.");
}

TEST_F(LoginItemsPageTest, WithoutSimmacThePageSaysWhyItListsNothing)
{
    registerHelper();
    simmac.stop();
    LoginItemsPage page;
    EXPECT_EQ(page.problem().left(37).toStdString(), "The background items cannot be read: ");
    EXPECT_EQ(page.allowSwitch(QString::fromStdString(label)), nullptr);
}

}  // namespace
