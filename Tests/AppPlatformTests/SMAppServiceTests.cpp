#include "Foundation/NSError.h"
#include "Foundation/SimulatedRoot.h"
#include "ServiceManagement/SMAppService.h"

#include <TestSupport/TemporaryRoot.h>

#include <gtest/gtest.h>

using platform::NSError;
using platform::SMAppService;
using platform::SMLoginItemService;

TEST(SMAppService, LoginItemIsAnAutostartEntryThatStartsTheAppInThisRoot)
{
    TemporaryRoot root;
    SMLoginItemService item("com.velkora.app", "/Applications/Tallow mere.app/Contents/MacOS/Velkora");
    EXPECT_EQ(item.status(), SMAppService::Status::notRegistered);

    item.registerService();
    EXPECT_EQ(item.status(), SMAppService::Status::enabled);
    const std::filesystem::path entry = item.entryPath();
    EXPECT_EQ(entry.parent_path().parent_path().filename(), ".config");
    EXPECT_EQ(entry.filename(), "com.velkora.app.desktop");
    const std::string text = root.read(entry.lexically_relative(root.path()));
    EXPECT_NE(text.find("[Desktop Entry]\nType=Application\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Exec=env \"SIMMAC_ROOT=" + root.path().string() +
                        "\" \"/Applications/Tallow mere.app/Contents/MacOS/Velkora\"\n"),
              std::string::npos)
        << text;

    item.registerService();  // registering again keeps one entry
    EXPECT_EQ(item.status(), SMAppService::Status::enabled);
    item.unregisterService();
    EXPECT_EQ(item.status(), SMAppService::Status::notRegistered);
    EXPECT_NO_THROW(item.unregisterService());
}

TEST(SMAppService, RegistrationFailureThrowsAPosixErrorThatSaysWhere)
{
    TemporaryRoot root;
    SMLoginItemService item("com.velkora.app", "/bin/true");
    // A file where the autostart folder belongs.
    root.write(item.entryPath().parent_path().lexically_relative(root.path()), "not a folder");
    try {
        item.registerService();
        FAIL() << "registration succeeded";
    } catch (const NSError& error) {
        EXPECT_EQ(error.domain(), platform::NSPOSIXErrorDomain);
        EXPECT_NE(error.code(), 0);
        EXPECT_NE(error.localizedDescription().find("autostart"), std::string::npos) << error.what();
    }
    EXPECT_EQ(item.status(), SMAppService::Status::notRegistered);
}

TEST(SMAppService, MainAppEntryIsNamedAfterTheApplication)
{
    TemporaryRoot root;
    const auto mainApp = SMAppService::mainApp();
    mainApp->registerService();
    EXPECT_EQ(mainApp->status(), SMAppService::Status::enabled);
    const auto& item = dynamic_cast<const SMLoginItemService&>(*mainApp);
    EXPECT_EQ(item.entryPath(),
              platform::SimulatedRoot::homeDirectory() / ".config/autostart/com.velkora.app.desktop");
    EXPECT_TRUE(std::filesystem::is_regular_file(item.entryPath()));
    mainApp->unregisterService();
    EXPECT_EQ(mainApp->status(), SMAppService::Status::notRegistered);
}
