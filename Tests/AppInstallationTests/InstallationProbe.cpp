// Runs the installation checks as the application would, from inside a test
// bundle, and prints what happened. Started without arguments, it is the copy
// that an installation relaunched: it records where it runs and ends.

#include "AppKit/NSApplication.h"
#include "Foundation/Bundle.h"
#include "Foundation/NSError.h"
#include "Foundation/SimulatedRoot.h"
#include "Services/AppIdentity.h"
#include "Services/AppInstallation.h"
#include "Services/AppInstallationError.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <fstream>

using namespace velkora;

namespace {

void say(const std::string& line)
{
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

int run(const QString& command)
{
    if (command == QStringLiteral("identity")) {
        say("build " + AppIdentity::build());
        say("version " + AppIdentity::version());
        say(std::string("at expected location ") + (AppInstallation::isAtExpectedLocation() ? "yes" : "no"));
        return 0;
    }
    if (command == QStringLiteral("describe")) {
        for (const AppInstallationError& error :
             {AppInstallationError::missingComponent("X"), AppInstallationError::invalidSignature("X"),
              AppInstallationError::invalidLocation(), AppInstallationError::destinationNotTrusted(),
              AppInstallationError::missingComponent(AppInstallationError::manifestMismatch())}) {
            say(error.what());
        }
        return 0;
    }
    if (command == QStringLiteral("validate")) {
        AppInstallation::validateCurrentBundle();
        say("valid");
        return 0;
    }
    if (command == QStringLiteral("install")) {
        platform::NSApplication::setTerminationHandler([] {
            say("terminated");
            QCoreApplication::quit();
        });
        AppInstallation::installAndRelaunch();
        say("installed");
        // A copy that was not told to terminate keeps running; the test has seen enough by then.
        QTimer::singleShot(3000, [] {
            say("still running");
            QCoreApplication::quit();
        });
        return QCoreApplication::exec();
    }
    say("unknown command");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2) {
        std::ofstream(platform::SimulatedRoot::resolve("/launches"), std::ios::app)
            << platform::Bundle::main().bundlePath().string() << "\n";
        return 0;
    }
    try {
        return run(arguments.at(1));
    } catch (const AppInstallationError& error) {
        say(std::string("AppInstallationError: ") + error.what());
    } catch (const platform::NSError& error) {
        say("NSError " + error.domain() + " " + std::to_string(error.code()) + ": " + error.localizedDescription());
    } catch (const std::exception& error) {
        say(std::string("error: ") + error.what());
    }
    return 1;
}
