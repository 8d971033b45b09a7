#include "Services/DesktopPowerMonitor.h"

#include "SharedSimmac.h"

#include <QThread>

#include <qcoro/qcorotask.h>

#include <gtest/gtest.h>

using namespace velkora;
using namespace std::chrono_literals;

namespace {

const auto stamp = std::chrono::system_clock::time_point(1'700'000'000s);

struct Outcome {
    std::optional<DesktopPowerSample> sample;
    bool resumedOnCallersThread = false;
};

QCoro::Task<Outcome> readOnce(const DesktopPowerMonitor& monitor)
{
    QThread* const caller = QThread::currentThread();
    Outcome outcome;
    outcome.sample = co_await monitor.readAsync();
    outcome.resumedOnCallersThread = QThread::currentThread() == caller;
    co_return outcome;
}

class DesktopPowerMonitorTest : public testing::Test {
protected:
    void SetUp() override { SharedSimmac::useModel("desktop"); }

    std::optional<DesktopPowerSample> read()
    {
        const Outcome outcome = QCoro::waitFor(readOnce(monitor));
        EXPECT_TRUE(outcome.resumedOnCallersThread);
        return outcome.sample;
    }

    DesktopPowerMonitor monitor{[] { return stamp; }};
};

}  // namespace

TEST_F(DesktopPowerMonitorTest, ReadsTheDesktopsPowerKey)
{
    // The desktop model draws 38.6 W; the key is a 32-bit float.
    EXPECT_EQ(read(), (DesktopPowerSample{stamp, double(38.6f)}));
}

TEST_F(DesktopPowerMonitorTest, FallsBackToVoltageTimesCurrentAndGivesNothingWithoutAPlausibleValue)
{
    SharedSimmac::control({"smc", "write", "PDTR", "CDCC4C3D"});  // 0.05 W
    SharedSimmac::control({"smc", "write", "VD0R", "0000A041"});  // 20 V
    SharedSimmac::control({"smc", "write", "ID0R", "0000C03F"});  // 1.5 A
    EXPECT_EQ(read(), (DesktopPowerSample{stamp, 30.0}));

    SharedSimmac::control({"smc", "write", "VD0R", "00000000"});
    EXPECT_EQ(read(), std::nullopt);

    SharedSimmac::control({"smc", "write", "PDTR", "00007A44"});  // 1000 W
    EXPECT_EQ(read(), std::nullopt);
}

