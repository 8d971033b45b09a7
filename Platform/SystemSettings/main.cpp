// System Settings of the simulated Mac, opened at its Login Items page.

#include "AppKit/SimulatedApplicationMain.h"
#include "SystemSettings/LoginItemsPage.h"

#include <QScrollArea>

#include <memory>

namespace {

constexpr const char* usage =
    "usage: \"System Settings\"\n"
    "Opens the Login Items page of the simulated Mac found through $SIMMAC_ROOT: the background\n"
    "items its launchd knows, each with an \"Allow in the Background\" switch. It quits when its\n"
    "window closes or when simmac stops.\n";

}  // namespace

int main(int argc, char** argv)
{
    return platform::runSimulatedApplication(argc, argv, "System Settings", usage, [] {
        auto window = std::make_unique<QScrollArea>();
        window->setWindowTitle(QStringLiteral("Login Items & Extensions"));
        window->setWidgetResizable(true);
        window->setWidget(new platform::LoginItemsPage);
        window->resize(560, 420);
        return window;
    });
}
