#include "Overlay/OverlayPanel.h"
#include "Overlay/OverlayPresenter.h"
#include "Overlay/OverlaySettingsView.h"
#include "Overlay/OverlayWidgetView.h"

#include "VisualKit/ReduceMotionSource.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraSwitch.h"

#include "Model/AppModel.h"
#include "TestSupport/SimmacProcess.h"
#include "VelkoraCore/IPC.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <optional>

namespace velkora {
namespace {

// The application as the user has it, on an X display: its model on the
// real clock, running from its signed bundle on a simulated laptop whose
// launchd starts the real daemon, the helper approved.
class OverlayEndToEndTest : public testing::Test {
protected:
    void SetUp() override
    {
        simmac.emplace(testsupport::SimmacProcess::heldLaptopForBundledApplication());
        simmac->simmacctl({"plug"});
        simmac->simmacctl({"level", "47"});

        AppModel::Services services;
        services.openLoginItems = [] {};
        model = AppModel::create(std::move(services));
        ASSERT_TRUE(waitFor([&] { return !model->helperStatus().isBusy(); }, 10000));
        model->performPrimaryHelperAction();
        ASSERT_EQ(simmac->simmacctl({"approve", std::string(IPC::machServiceName)}).exitCode, 0);
        ASSERT_TRUE(waitFor([&] { return model->helperStatus() == HelperStatus::enabled(); }, 15000))
            << model->helperStatus().title().toStdString();
        OverlayPresenter::shared().setReduceMotionSource(&reduceMotion);
    }

    void TearDown() override
    {
        OverlayPresenter::shared().hide(false);
        page.reset();
        if (model) {
            std::weak_ptr<AppModel> weak = model;
            model.reset();
            waitFor([&] { return weak.expired(); }, 10000);
        }
    }

    bool waitFor(const std::function<bool()>& ready, int milliseconds)
    {
        QElapsedTimer elapsed;
        elapsed.start();
        while (!ready()) {
            if (elapsed.elapsed() > milliseconds) {
                return false;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        return true;
    }

    QString shownPercentage() const
    {
        OverlayPanel* panel = OverlayPresenter::shared().panel();
        return panel && panel->isVisible() ? panel->widget()->percentageLabel()->text() : QString();
    }

    std::optional<testsupport::SimmacProcess> simmac;
    std::shared_ptr<AppModel> model;
    ReduceMotionSource reduceMotion;
    std::unique_ptr<OverlaySettingsView> page;
};

TEST_F(OverlayEndToEndTest, TurningTheOverlayOnShowsTheCardWithTheBatteryPercentageAndItFollowsTheBattery)
{
    ViewEnvironment environment;
    environment.model = model.get();
    environment.settings = &model->settings();
    environment.telemetry = &model->telemetry();
    environment.reduceMotion = &reduceMotion;
    page = std::make_unique<OverlaySettingsView>(environment);
    page->resize(910, 650);
    page->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    ASSERT_EQ(OverlayPresenter::shared().panel(), nullptr);

    QTest::mouseClick(page->enabledSwitch(), Qt::LeftButton);
    ASSERT_TRUE(model->settings().overlayEnabled());
    ASSERT_TRUE(waitFor([&] { return shownPercentage() == QStringLiteral("47%"); }, 5000))
        << shownPercentage().toStdString();
    OverlayPanel* panel = OverlayPresenter::shared().panel();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(panel));
    EXPECT_TRUE(waitFor([&] { return panel->windowOpacity() == 1.0; }, 2000));

    simmac->simmacctl({"level", "63"});
    EXPECT_TRUE(waitFor([&] { return shownPercentage() == QStringLiteral("63%"); }, 5000))
        << shownPercentage().toStdString();

    QTest::mouseClick(page->enabledSwitch(), Qt::LeftButton);
    EXPECT_TRUE(waitFor([&] { return OverlayPresenter::shared().panel() == nullptr; }, 2000));
}

}  // namespace
}  // namespace velkora
