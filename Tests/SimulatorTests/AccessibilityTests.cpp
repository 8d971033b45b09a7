#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "Simulator/SimmacConnection.h"
#include "TestSupport/SimmacProcess.h"

using testsupport::SimmacProcess;

TEST(Accessibility, ReduceMotionIsOffUntilSimmacctlTurnsItOnAndOffAgain)
{
    SimmacProcess simmac;
    EXPECT_EQ(simmac.request("accessibility.get")["reduceMotion"], false);

    ASSERT_EQ(simmac.simmacctl({"reduce-motion", "on"}).exitCode, 0);
    EXPECT_EQ(simmac.request("accessibility.get")["reduceMotion"], true);
    EXPECT_EQ(simmac.request("status")["accessibility"]["reduceMotion"], true);

    // The user's setting, not the hardware's: a new model keeps it.
    ASSERT_EQ(simmac.simmacctl({"model", "desktop"}).exitCode, 0);
    EXPECT_EQ(simmac.request("accessibility.get")["reduceMotion"], true);

    ASSERT_EQ(simmac.simmacctl({"reduce-motion", "off"}).exitCode, 0);
    EXPECT_EQ(simmac.request("accessibility.get")["reduceMotion"], false);

    const auto wrong = simmac.simmacctl({"reduce-motion", "maybe"});
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_NE(wrong.errorOutput.find("reduce-motion on|off"), std::string::npos);
    EXPECT_THROW(simmac.request("accessibility.set", {{"reduceMotion", "yes"}}), std::runtime_error);
}

TEST(Accessibility, SubscribersHearOfEachChangeButNotOfASettingThatStaysTheSame)
{
    SimmacProcess simmac;
    simulator::SimmacConnection subscriber(simmac.socketPath());
    EXPECT_EQ(subscriber.request("accessibility.subscribe")["reduceMotion"], false);
    EXPECT_EQ(simmac.request("status")["accessibility"]["subscribers"], 1);

    simmac.request("accessibility.set", {{"reduceMotion", false}});
    EXPECT_FALSE(subscriber.takePush(std::chrono::milliseconds(100)));

    ASSERT_EQ(simmac.simmacctl({"reduce-motion", "on"}).exitCode, 0);
    const auto event = subscriber.takePush(std::chrono::seconds(5));
    ASSERT_TRUE(event);
    EXPECT_EQ((*event)["event"], "accessibility");
    EXPECT_EQ((*event)["reduceMotion"], true);
}
