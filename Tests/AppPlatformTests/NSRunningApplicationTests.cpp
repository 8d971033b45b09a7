#include "AppKit/NSRunningApplication.h"

#include <TestSupport/ChildProcess.h>
#include <TestSupport/TemporaryRoot.h>

#include <gtest/gtest.h>

using platform::NSRunningApplication;

class NSRunningApplicationTest : public testing::Test {
protected:
    void SetUp() override
    {
        setenv("XDG_DATA_HOME", (root.path() / "home-data").c_str(), 1);
        setenv("XDG_DATA_DIRS", (root.path() / "system-data").c_str(), 1);
        setenv("LANGUAGE", "zh_CN", 1);
    }

    TemporaryRoot root;
};

TEST_F(NSRunningApplicationTest, NamesAndIconsComeFromTheMatchingDesktopEntry)
{
    root.write("home-data/applications/sleeper.desktop",
               "[Desktop Entry]\nType=Application\nName=Sleeper\nName[zh_CN]=睡眠者\nIcon=sleeper-icon\n"
               "Exec=env LC_ALL=C sleep %u\n[Desktop Action other]\nName=Not this one\n");
    // Shadowed by the entry of the same id in the user's folder.
    root.write("system-data/applications/sleeper.desktop",
               "[Desktop Entry]\nType=Application\nName=System Sleeper\nExec=sleep\n");
    root.write("system-data/applications/tail.desktop",
               "[Desktop Entry]\nType=Application\nName=Follower\nExec=\"/usr/bin/tail\" -f\n");

    ChildProcess sleeper({"sleep", "30"});
    ChildProcess follower({"tail", "-f", "/dev/null"});
    ASSERT_TRUE(sleeper.waitUntilRunning("sleep"));
    ASSERT_TRUE(follower.waitUntilRunning("tail"));

    const auto sleeping = NSRunningApplication::withProcessIdentifier(sleeper.pid());
    ASSERT_TRUE(sleeping.has_value());
    EXPECT_EQ(sleeping->processIdentifier(), sleeper.pid());
    EXPECT_EQ(sleeping->localizedName(), "睡眠者");
    EXPECT_EQ(sleeping->icon(), "sleeper-icon");

    const auto following = NSRunningApplication::withProcessIdentifier(follower.pid());
    ASSERT_TRUE(following.has_value());
    EXPECT_EQ(following->localizedName(), "Follower");
    EXPECT_EQ(following->icon(), std::nullopt);

    EXPECT_EQ(NSRunningApplication::withProcessIdentifier(getpid()), std::nullopt);
    EXPECT_EQ(NSRunningApplication::withProcessIdentifier(0), std::nullopt);
}

TEST_F(NSRunningApplicationTest, HiddenEntriesHideAndNewEntriesAreNoticed)
{
    root.write("home-data/applications/sleeper.desktop", "[Desktop Entry]\nType=Application\nName=S\nExec=sleep\nHidden=true\n");
    root.write("system-data/applications/sleeper.desktop", "[Desktop Entry]\nType=Application\nName=S\nExec=sleep\n");
    ChildProcess sleeper({"sleep", "30"});
    ASSERT_TRUE(sleeper.waitUntilRunning("sleep"));
    EXPECT_EQ(NSRunningApplication::withProcessIdentifier(sleeper.pid()), std::nullopt);

    root.write("system-data/applications/vendor/dozer.desktop",
               "[Desktop Entry]\nType=Application\nName=Dozer\nTryExec=sleep\nExec=other\n");
    const auto found = NSRunningApplication::withProcessIdentifier(sleeper.pid());
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->localizedName(), "Dozer");
}
