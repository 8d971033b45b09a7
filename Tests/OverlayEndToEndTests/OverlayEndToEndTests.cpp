#include "Overlay/OverlayPanel.h"
#include "Overlay/OverlayPresenter.h"
#include "Overlay/OverlaySettingsView.h"
#include "Overlay/OverlayWidgetView.h"

#include "VisualKit/ReduceMotionSource.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraSwitch.h"

#include "BundledApplicationTest.h"
#include "TestSupport/ModelViewEnvironment.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace velkora {
namespace {

// The application as the user has it, on an X display: its model on the
// real clock, running from its signed bundle on a simulated laptop whose
// launchd starts the real daemon, the helper approved.
class OverlayEndToEndTest : public BundledApplicationTest {
protected:
    void SetUp() override
    {
        startPluggedLaptop("47");
        startApplication();
        ASSERT_TRUE(waitFor([&] { return !model->helperStatus().isBusy(); }, 10000));
        ASSERT_NO_FATAL_FAILURE(installAndApproveHelper());
        ASSERT_TRUE(waitFor([&] { return model->helperStatus() == HelperStatus::enabled(); }, 15000))
            << model->helperStatus().title().toStdString();
        OverlayPresenter::shared().setReduceMotionSource(&reduceMotion);
    }

    void TearDown() override
    {
        OverlayPresenter::shared().hide(false);
        page.reset();
        BundledApplicationTest::TearDown();
    }

    QString shownPercentage() const
    {
        OverlayPanel* panel = OverlayPresenter::shared().panel();
        return panel && panel->isVisible() ? panel->widget()->percentageLabel()->text() : QString();
    }

    ReduceMotionSource reduceMotion;
    std::unique_ptr<OverlaySettingsView> page;
};

TEST_F(OverlayEndToEndTest, TurningTheOverlayOnShowsTheCardWithTheBatteryPercentageAndItFollowsTheBattery)
{
    page = std::make_unique<OverlaySettingsView>(test::modelViewEnvironment(*model, reduceMotion));
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
