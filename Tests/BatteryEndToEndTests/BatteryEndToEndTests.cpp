#include "Battery/BatteryOrbit.h"
#include "Battery/BatteryOrbitRing.h"
#include "Battery/ChargeControlView.h"
#include "Battery/ChargeLimitControl.h"
#include "Battery/DashboardView.h"
#include "Battery/HealthStrip.h"
#include "Battery/OrbitValueRow.h"
#include "Battery/StatusDetailPanel.h"
#include "Battery/StatusDetailSection.h"
#include "Battery/VitalMetric.h"

#include "MenuBar/MenuAction.h"
#include "MenuBar/MenuPopoverHeader.h"
#include "MenuBar/MenuPopoverView.h"
#include "MenuBar/MenuQuickActions.h"

#include "VisualKit/ReduceMotionSource.h"
#include "VisualKit/StateBadge.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraSlider.h"

#include "BundledApplicationTest.h"
#include "Services/AppLanguage.h"
#include "TestSupport/ModelViewEnvironment.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>

namespace velkora {
namespace {

using namespace std::chrono_literals;
using Json = nlohmann::ordered_json;

// How soon a change of the battery shows on the dashboard: the daemon reads
// the battery every second and the application asks it every second.
constexpr int followsWithinMilliseconds = 2000;

// The application as the user has it: its model on the real clock, running
// from its signed bundle in /Applications of a simulated laptop whose
// launchd starts the real daemon, the helper approved; the pages are driven
// with the pointer.
class BatteryEndToEndTest : public BundledApplicationTest {
protected:
    void SetUp() override
    {
        startPluggedLaptop("50");
        startApplication();
        ASSERT_TRUE(waitFor([&] { return !model->helperStatus().isBusy(); }, 10000));
        ASSERT_EQ(model->helperStatus(), HelperStatus::notInstalled());
        ASSERT_NO_FATAL_FAILURE(installAndApproveHelper());
        ASSERT_TRUE(waitFor([&] { return model->helperStatus() == HelperStatus::enabled(); }, 15000))
            << model->helperStatus().title().toStdString();
    }

    void TearDown() override
    {
        window.reset();
        BundledApplicationTest::TearDown();
    }

    ViewEnvironment environment() { return test::modelViewEnvironment(*model, reduceMotion); }

    template <typename View>
    View* show(View* view)
    {
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view);
        window->resize(910, 650);
        window->show();
        EXPECT_TRUE(waitFor([&] { return !model->helperStatus().isBusy(); }, 10000));
        return view;
    }

    Json battery() const { return simmac->status()["battery"]; }

    ReduceMotionSource reduceMotion;
    std::unique_ptr<QWidget> window;
};

TEST_F(BatteryEndToEndTest, ALimitOfSixtyDraggedOnTheChargeControlPageIsHeldByTheDaemon)
{
    auto* page = show(new ChargeControlView(environment()));
    VelkoraSlider* slider = page->limitControl()->slider();
    int sixty = -1;
    for (int x = 0; x < slider->width() && sixty < 0; ++x) {
        sixty = slider->valueAt(x) == 60 ? x : -1;
    }
    ASSERT_GE(sixty, 0);
    const QPoint target(sixty, slider->height() / 2);

    QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, slider->knobCentre());
    QMouseEvent move(QEvent::MouseMove, target, slider->mapToGlobal(target), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(slider, &move);
    QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, target);
    ASSERT_TRUE(waitFor([&] { return !model->isLimitUpdating() && model->policy().chargeLimit == 60; }, 10000));
    EXPECT_EQ(model->chargeLimitError(), std::nullopt);
    EXPECT_TRUE(model->policy().managementEnabled);
    EXPECT_EQ(page->limitControl()->valueLabel()->text(), "60%");

    // The battery charges on, and the daemon stops it at 60 % and keeps it there.
    simmac->simmacctl({"speed", "3000"});
    ASSERT_TRUE(waitFor([&] { return battery()["level"].get<double>() >= 59.5; }, 20000)) << battery().dump();
    ASSERT_TRUE(waitFor([&] { return !battery()["charging"].get<bool>(); }, 5000)) << battery().dump();
    QTest::qWait(1500);
    const Json held = battery();
    EXPECT_FALSE(held["charging"].get<bool>()) << held.dump();
    EXPECT_NEAR(held["level"].get<double>(), 60, 1) << held.dump();
}

TEST_F(BatteryEndToEndTest, TheDashboardFollowsTheBatteryWithinTwoSecondsOfAChange)
{
    auto* dashboard = show(new DashboardView(environment()));
    ASSERT_TRUE(waitFor([&] { return dashboard->orbit()->ring()->percentage() == 50; }, 5000));
    const auto follows = [&](const std::vector<std::string>& command, const std::function<bool()>& shown) {
        ASSERT_EQ(simmac->simmacctl(command).exitCode, 0);
        QElapsedTimer elapsed;
        elapsed.start();
        EXPECT_TRUE(waitFor(shown, followsWithinMilliseconds)) << command.front() << " did not show within 2 s";
        std::printf("%s shown after %lld ms\n", command.front().c_str(), static_cast<long long>(elapsed.elapsed()));
    };

    follows({"level", "42"}, [&] {
        return dashboard->orbit()->ring()->percentage() == 42 &&
               dashboard->statusPanel()->section(1)->section().rows[0].label == "设计容量";
    });

    follows({"unplug"}, [&] {
        const PowerSnapshot& snapshot = model->snapshot();
        return dashboard->stateBadge()->state() == ChargingState::onBattery &&
               dashboard->powerSourceLabel()->text() == localized("正在使用电池") &&
               dashboard->orbit()->valueRow(1)->value().value.startsWith('-') &&
               dashboard->statusPanel()->section(2)->section().rows[0].value == "未连接" &&
               snapshot.state == ChargingState::onBattery;
    });
    EXPECT_EQ(dashboard->orbit()->stateLabel()->text(), appLocalizedName(ChargingState::onBattery));

    follows({"temperature", "41.5"}, [&] {
        // The battery reports its temperature in hundredths of a kelvin.
        const QString shown = dashboard->healthStrip()->metric(1)->metric().value;
        return std::abs(shown.chopped(2).toDouble() - 41.5) < 0.15 &&
               dashboard->healthStrip()->metric(1)->metric().detail == "建议降低负载";
    });

}

TEST_F(BatteryEndToEndTest, ThePopoversHoldTileMakesTheDaemonHoldTheLevelAndThePopoverNamesItsState)
{
    auto* popover = show(new MenuPopoverView(environment()));
    VelkoraLabel* state = popover->header()->stateLabel();
    ASSERT_TRUE(waitFor([&] { return model->snapshot().state == ChargingState::charging; }, 5000)) << battery().dump();
    EXPECT_EQ(state->text(), appLocalizedName(ChargingState::charging));

    QTest::mouseClick(popover->quickActions()->holdTile(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return model->snapshot().state != ChargingState::charging; }, 5000))
        << model->lastError().value_or("no error").toStdString();
    EXPECT_EQ(model->lastError(), std::nullopt);

    // Time runs on; plugged in, the battery stays where it was held.
    simmac->simmacctl({"speed", "3000"});
    ASSERT_TRUE(waitFor([&] { return !battery()["charging"].get<bool>(); }, 5000)) << battery().dump();
    QTest::qWait(1500);
    const Json held = battery();
    EXPECT_TRUE(held["adapter"]["plugged"].get<bool>()) << held.dump();
    EXPECT_FALSE(held["charging"].get<bool>()) << held.dump();
    EXPECT_NEAR(held["level"].get<double>(), 50, 1) << "the level stops rising while plugged in";
    EXPECT_TRUE(waitFor([&] { return state->text() == appLocalizedName(model->snapshot().state); }, 2000))
        << "the popover names the state the daemon reports";
    EXPECT_NE(state->text(), appLocalizedName(ChargingState::charging));
}

}  // namespace
}  // namespace velkora
