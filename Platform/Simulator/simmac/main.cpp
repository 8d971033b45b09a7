// simmac: the simulated Mac. Serves the machine's SMC, battery and adapter,
// registry, power sources, power management, operating-system version and the
// user's accessibility display options on
// $SIMMAC_ROOT/var/run/simmac.sock until SIGINT or SIGTERM.

#include <sys/types.h>

#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include <asio.hpp>

#include "Foundation/SimulatedRoot.h"
#include "Log/Logger.h"
#include "Simmac/AccessibilityModule.h"
#include "Simmac/BatteryModule.h"
#include "Simmac/Dispatcher.h"
#include "Simmac/LaunchdModule.h"
#include "Simmac/MachineModule.h"
#include "Simmac/OperatingSystemModule.h"
#include "Simmac/PowerAssertionModule.h"
#include "Simmac/PowerSettingsModule.h"
#include "Simmac/PowerSourcesModule.h"
#include "Simmac/SMCModule.h"
#include "Simmac/SystemPowerModule.h"
#include "Simmac/SimmacServer.h"
#include "Simmac/WorkspaceModule.h"
#include "Simmac/SimulatorError.h"

namespace {

constexpr const char* usage =
    "usage: simmac [--model NAME] [--models DIRECTORY] [--privileged-uid UID] [--speed N]\n"
    "  --model NAME          hardware model to start with (default firmware-limit-laptop)\n"
    "  --models DIRECTORY    folder of the model files (default: the built-in models)\n"
    "  --privileged-uid UID  treat this user as root for SMC writes (for a desktop demo)\n"
    "  --speed N             simulated seconds of battery physics per second (default 1; 0 holds still)\n"
    "The simulated root is $SIMMAC_ROOT; the socket is $SIMMAC_ROOT/var/run/simmac.sock.\n";

struct Options {
    std::string model = "firmware-limit-laptop";
    std::string modelsDirectory = SIMMAC_MODELS_DIRECTORY;
    uid_t privilegedUid = 0;
    double speed = 1;
};

int fail(const std::string& message)
{
    std::fprintf(stderr, "simmac: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(usage, stdout);
            return 0;
        }
        if (argument != "--model" && argument != "--models" && argument != "--privileged-uid" &&
            argument != "--speed") {
            std::fprintf(stderr, "simmac: unknown %s '%s'\n%s", argument.starts_with('-') ? "option" : "argument",
                         argv[i], usage);
            return 2;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "simmac: %s needs a value\n%s", argv[i], usage);
            return 2;
        }
        const std::string_view value = argv[++i];
        if (argument == "--model") {
            options.model = value;
        } else if (argument == "--models") {
            options.modelsDirectory = value;
        } else if (argument == "--speed") {
            const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), options.speed);
            if (error != std::errc() || end != value.data() + value.size() || options.speed < 0 ||
                options.speed > simmac::BatteryModule::maximumSpeed) {
                return fail("--speed needs a number from 0 to 100000, got \"" + std::string(value) + "\"");
            }
        } else {
            unsigned long uid = 0;
            const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), uid);
            if (error != std::errc() || end != value.data() + value.size() || uid >= static_cast<uid_t>(-1)) {
                return fail("--privileged-uid needs a user id, got \"" + std::string(value) + "\"");
            }
            options.privilegedUid = static_cast<uid_t>(uid);
        }
    }

    // A client that goes away mid-reply must not end the machine.
    std::signal(SIGPIPE, SIG_IGN);
    const platform::Logger logger("simmac", "Machine");
    try {
        asio::io_context context(1);
        simmac::Dispatcher dispatcher;
        // One module per concern; a model is put in force in this order, so
        // the battery reads the new model's SMC keys.
        simmac::MachineModule machine(dispatcher, options.modelsDirectory);
        simmac::SMCModule smc(dispatcher);
        simmac::OperatingSystemModule operatingSystem(dispatcher);
        simmac::BatteryModule battery(dispatcher, context, smc);
        battery.setStartSpeed(options.speed);
        simmac::PowerSourcesModule powerSources(dispatcher, battery);
        simmac::PowerSettingsModule powerSettings(dispatcher, battery);
        simmac::PowerAssertionModule powerAssertions(dispatcher);
        simmac::SystemPowerModule systemPower(dispatcher, context);
        simmac::LaunchdModule launchd(dispatcher, context);
        simmac::AccessibilityModule accessibility(dispatcher);
        simmac::WorkspaceModule workspace(dispatcher);
        machine.loadModel(options.model);

        simmac::SimmacServer server(context, dispatcher, platform::SimulatedRoot::resolve("/var/run/simmac.sock"),
                                    options.privilegedUid);
        server.start();
        launchd.startRegisteredJobs();

        asio::signal_set signals(context, SIGINT, SIGTERM);
        signals.async_wait([&](const std::error_code& error, int) {
            if (!error) {
                server.stop();
                context.stop();
            }
        });
        logger.notice("simmac ready on %s (model %s)", server.socketPath().string(), options.model);
        context.run();
        logger.notice("simmac stopped");
        return 0;
    } catch (const simmac::SimulatorError& error) {
        return fail(error.what());
    } catch (const std::exception& error) {
        return fail(std::string("unexpected failure: ") + error.what());
    }
}
