#include <gtest/gtest.h>

#include "TestSupport/SimmacProcess.h"

using testsupport::SimmacProcess;

TEST(SimmacctlBattery, CommandsChangeTheMachineAndStatusShowsIt)
{
    SimmacProcess::Options options;
    options.speed = 0;
    SimmacProcess simmac(options);
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"level", "42.5"}, {"temperature", "35"}, {"load", "12"}, {"plug", "96"},
          {"speed", "0"}}) {
        const auto result = simmac.simmacctl(command);
        EXPECT_EQ(result.exitCode, 0) << command[0] << ": " << result.errorOutput;
        EXPECT_EQ(result.output, "") << command[0];
    }
    const auto battery = simmac.status()["battery"];
    EXPECT_EQ(battery["level"], 43);
    EXPECT_EQ(battery["chargeMAh"], 2329);
    EXPECT_EQ(battery["temperatureCelsius"], 35.0);
    EXPECT_EQ(battery["loadWatts"], 12.0);
    EXPECT_EQ(battery["charging"], true);
    EXPECT_EQ(battery["adapter"]["plugged"], true);
    EXPECT_EQ(battery["adapter"]["watts"], 96);
    EXPECT_EQ(battery["speed"], 0.0);

    EXPECT_EQ(simmac.simmacctl({"unplug"}).exitCode, 0);
    EXPECT_EQ(simmac.status()["battery"]["adapter"]["plugged"], false);
    EXPECT_EQ(simmac.simmacctl({"plug"}).exitCode, 0);
    EXPECT_EQ(simmac.status()["battery"]["adapter"]["watts"], 70) << "the model's own adapter";
}

TEST(SimmacctlBattery, ErrorsSayWhatWentWrong)
{
    SimmacProcess simmac;
    SimmacProcess desktop(SimmacProcess::withModel("desktop"));
    struct Case {
        const SimmacProcess* machine;
        std::vector<std::string> command;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        {&simmac, {"level", "full"}, 2, "simmacctl: PERCENT must be a plain decimal number from 0 to 100, got \"full\""},
        {&simmac, {"speed", "-2"}, 2, "simmacctl: N must be a plain decimal number from 0 to 100000, got \"-2\""},
        {&simmac, {"wake"}, 1, "simmacctl: the machine is awake\n"},
        {&simmac, {"battery", "eject"}, 2, ""},
        {&simmac, {"level"}, 2, ""},
        {&desktop, {"unplug"}, 1, "simmacctl: model desktop has no battery: unplugging would switch it off\n"},
        {&desktop, {"battery", "insert"}, 1, "simmacctl: model desktop has no battery: it has no place for a battery\n"},
        {&desktop, {"level", "50"}, 1, "simmacctl: model desktop has no battery: it has no level\n"},
    };
    for (const Case& c : cases) {
        const auto result = c.machine->simmacctl(c.command);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.command[0];
        if (c.exitCode == 1) {
            EXPECT_EQ(result.errorOutput, c.message);
        } else if (!c.message.empty()) {
            EXPECT_EQ(result.errorOutput.substr(0, result.errorOutput.find('\n')), c.message);
        }
    }
}

TEST(SimmacctlBattery, ADesktopDrawsItsLoadFromThePowerSupply)
{
    SimmacProcess desktop(SimmacProcess::withModel("desktop"));
    ASSERT_EQ(desktop.simmacctl({"load", "60.5"}).exitCode, 0);
    const auto read = [&](const char* key) { return desktop.simmacctl({"smc", "read", key}).output; };
    EXPECT_EQ(read("PDTR"), "flt \t4\t00007242\n");  // 60.5 W
    EXPECT_EQ(read("VD0R"), "flt \t4\t9A994141\n");  // 12.1 V
    const auto battery = desktop.status()["battery"];
    EXPECT_EQ(battery["batteryBay"], false);
    EXPECT_FALSE(battery.contains("level"));
    EXPECT_EQ(battery["adapter"]["inputWatts"], 60.5);
}
