#include "ViewFixture.h"

#include "../VisualKitTests/ManualAnimationDriver.h"

#include "Battery/CalibrationCard.h"
#include "Battery/ChargeControlView.h"
#include "Battery/HeatProtectionCard.h"
#include "Battery/HelperBanner.h"
#include "Battery/SailingCard.h"

#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraMotion.h"
#include "VisualKit/VelkoraSlider.h"
#include "VisualKit/VelkoraSwitch.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/AppLanguage.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QWheelEvent>
#include <QTest>

namespace velkora::test {
namespace {

class ChargeControlViewTest : public ViewFixture {
protected:
    ChargeControlView* showPage()
    {
        createSettledModel();
        page = show(new ChargeControlView(environment()), QSize(910, 650));
        return page;
    }

    // Does `change` on the page and checks that exactly one policy went to
    // the daemon: the one before with `expected` made to it, nothing else.
    void expectOneChange(const std::function<void()>& change, const std::function<void(ChargePolicy&)>& expected)
    {
        const std::size_t before = sentPolicies().size();
        ChargePolicy wanted = model->policy();
        expected(wanted);
        change();
        ASSERT_TRUE(waitForPolicies(before + 1));
        settle();
        const std::vector<ChargePolicy> sent = sentPolicies();
        ASSERT_EQ(sent.size(), before + 1);
        EXPECT_EQ(sent.back(), wanted);
        EXPECT_EQ(model->policy(), wanted);
    }

    ChargeControlView* page = nullptr;
};

TEST_F(ChargeControlViewTest, EveryRuleSendsAPolicyWithOnlyItsOwnFieldChanged)
{
    showPage();
    SailingCard* sailing = page->sailingCard();
    HeatProtectionCard* heat = page->heatProtectionCard();
    ASSERT_TRUE(sailing->sailingSwitch()->isChecked());
    ASSERT_FALSE(heat->protectionSwitch()->isChecked());
    ASSERT_TRUE(heat->thresholdRow()->isHidden());

    expectOneChange([&] { QTest::mouseClick(heat->protectionSwitch(), Qt::LeftButton); },
                    [](ChargePolicy& policy) { policy.heatProtectionEnabled = true; });
    EXPECT_FALSE(heat->thresholdRow()->isHidden());
    EXPECT_EQ(heat->temperatureLabel()->text(),
              HeatProtectionCard::temperatureText(true, model->snapshot().battery.temperatureCelsius));

    // Each whole degree the threshold takes is one update.
    for (int degrees = 41; degrees <= 43; ++degrees) {
        expectOneChange([&] { QTest::keyClick(heat->thresholdSlider(), Qt::Key_Right); },
                        [degrees](ChargePolicy& policy) { policy.heatLimitCelsius = degrees; });
        EXPECT_EQ(heat->thresholdLabel()->text(), QString::number(degrees) + "°C");
    }

    expectOneChange(
        [&] {
            sailing->deltaField()->setFocus();
            sailing->deltaField()->selectAll();
            QTest::keyClicks(sailing->deltaField(), "7");
            QTest::keyClick(sailing->deltaField(), Qt::Key_Return);
        },
        [](ChargePolicy& policy) { policy.sailingDelta = 7; });
    EXPECT_EQ(sailing->resumeLabel()->text(), L("Charging resumes at 73%", "将在 73% 恢复充电"));

    // Too large: the model keeps 20, and the field says so.
    expectOneChange(
        [&] {
            sailing->deltaField()->selectAll();
            QTest::keyClicks(sailing->deltaField(), "25");
            QTest::keyClick(sailing->deltaField(), Qt::Key_Return);
        },
        [](ChargePolicy& policy) { policy.sailingDelta = 20; });
    EXPECT_EQ(sailing->deltaField()->text(), "20");

    // Not a number: nothing is sent and the field shows the policy again.
    sailing->deltaField()->selectAll();
    QTest::keyClicks(sailing->deltaField(), "abc");
    QTest::keyClick(sailing->deltaField(), Qt::Key_Return);
    settle();
    EXPECT_EQ(sentPolicies().size(), 6u);
    EXPECT_EQ(sailing->deltaField()->text(), "20");

    expectOneChange([&] { QTest::mouseClick(sailing->sailingSwitch(), Qt::LeftButton); },
                    [](ChargePolicy& policy) { policy.sailingEnabled = false; });
    ASSERT_TRUE(waitFor([&] { return sailing->deltaRow()->isHidden(); })) << "the difference leaves with the rule";
}

TEST_F(ChargeControlViewTest, ARefusedRuleChangeShowsThePolicyTheModelKept)
{
    showPage();
    registration->currentStatus = platform::SMAppService::Status::requiresApproval;
    model->applicationDidBecomeActive();
    ASSERT_TRUE(waitFor([&] { return model->helperStatus() == HelperStatus::requiresApproval(); }));
    settle();

    HeatProtectionCard* heat = page->heatProtectionCard();
    QTest::mouseClick(heat->protectionSwitch(), Qt::LeftButton);
    settle();
    EXPECT_FALSE(heat->protectionSwitch()->isChecked());
    EXPECT_TRUE(heat->thresholdRow()->isHidden());
    EXPECT_TRUE(sentPolicies().empty());
    EXPECT_EQ(page->helperBanner()->detailLabel()->text(), model->lastError().value());
}

TEST_F(ChargeControlViewTest, TheHelperBannerShowsWhileTheHelperIsNotEnabled)
{
    showPage();
    HelperBanner* banner = page->helperBanner();
    // The check that showing the window started had it starting: it goes.
    ASSERT_TRUE(waitFor([&] { return banner->isHidden(); }));

    registration->currentStatus = platform::SMAppService::Status::requiresApproval;
    model->applicationDidBecomeActive();
    ASSERT_TRUE(waitFor([&] { return model->helperStatus() == HelperStatus::requiresApproval(); }));
    ASSERT_TRUE(waitFor([&] { return banner->isVisible(); }));
    EXPECT_EQ(banner->titleLabel()->text(), HelperStatus::requiresApproval().title());
    EXPECT_EQ(banner->symbolView()->name(), "bolt.badge.clock");
    EXPECT_EQ(banner->actionButton()->text(), HelperStatus::requiresApproval().actionTitle());
    EXPECT_TRUE(banner->actionButton()->isEnabled());

    model->setLastError(std::nullopt);
    EXPECT_EQ(banner->detailLabel()->text(),
              L("The daemon only controls SMC; live battery information remains available.",
                "后台服务仅负责控制 SMC；实时电池信息仍可正常查看。"));
    model->setLastError(QString());
    EXPECT_EQ(banner->detailLabel()->text(), QString()) << "an empty error still stands in for the sentence";

    registration->currentStatus = platform::SMAppService::Status::enabled;
    model->applicationDidBecomeActive();
    ASSERT_TRUE(waitFor([&] { return model->helperStatus() == HelperStatus::enabled(); }));
    ASSERT_TRUE(waitFor([&] { return banner->isHidden(); }));
}

TEST_F(ChargeControlViewTest, CalibrationFollowsTheModelsFlagAndTheDaemonsPhase)
{
    showPage();
    CalibrationCard* card = page->calibrationCard();
    EXPECT_EQ(card->actionButton()->text(), localized("开始校准"));
    EXPECT_TRUE(card->phaseLabel()->isHidden());
    EXPECT_EQ(card->stepCaption(4)->text(), "恢复至\n80%");

    {
        std::lock_guard lock(daemonMutex);
        daemonSnapshot.state = ChargingState::calibrating;
        daemonSnapshot.calibrationPhase = CalibrationPhase::holdingFull;
    }
    QTest::mouseClick(card->actionButton(), Qt::LeftButton);
    EXPECT_EQ(card->actionButton()->text(), localized("停止校准")) << "at once";
    ASSERT_TRUE(waitFor([&] { return model->snapshot().calibrationPhase == CalibrationPhase::holdingFull; }));
    settle();
    const QColor green = VelkoraTheme::systemGreen();
    const QColor secondary = foregroundColor(ForegroundStyle::secondary);
    EXPECT_EQ(card->stepSymbol(0)->color(), green);
    EXPECT_EQ(card->stepSymbol(2)->color(), green);
    EXPECT_EQ(card->stepSymbol(3)->color(), VelkoraTheme::accent());
    EXPECT_EQ(card->stepSymbol(4)->color(), secondary);
    ASSERT_TRUE(waitFor([&] { return card->phaseLabel()->isVisible(); }));

    // The daemon ends calibration on the cancel, and its reply can be back
    // before the click returns: it must say so, as the real one does.
    {
        std::lock_guard lock(daemonMutex);
        daemonSnapshot.state = ChargingState::charging;
        daemonSnapshot.calibrationPhase = CalibrationPhase::inactive;
    }
    QTest::mouseClick(card->actionButton(), Qt::LeftButton);
    EXPECT_EQ(card->actionButton()->text(), localized("开始校准"));
    ASSERT_TRUE(waitFor([&] {
        const auto commands = performedCommands();
        return !commands.empty() &&
               std::holds_alternative<ControlCommand::CancelCalibration>(commands.back().payload);
    }));
}

TEST_F(ChargeControlViewTest, ARuleCardsHeightMovesWithThePanelMotionAndWhatFollowsMovesWithIt)
{
    ManualAnimationDriver driver;
    showPage();
    HeatProtectionCard* heat = page->heatProtectionCard();
    CalibrationCard* next = page->calibrationCard();
    const int closed = heat->height();
    const int gap = next->y() - heat->y() - closed;
    const auto settleLayout = [] {
        for (int pass = 0; pass < 3; ++pass) {
            QCoreApplication::processEvents();
        }
    };
    const auto expectNextFollows = [&] { EXPECT_EQ(next->y(), heat->y() + heat->height() + gap); };

    expectOneChange([&] { QTest::mouseClick(heat->protectionSwitch(), Qt::LeftButton); },
                    [](ChargePolicy& policy) { policy.heatProtectionEnabled = true; });
    settleLayout();
    EXPECT_EQ(heat->height(), closed) << "the card starts from where it was";
    driver.advanceBy(20);
    settleLayout();
    EXPECT_GT(heat->height(), closed);
    EXPECT_TRUE(heat->isHeightMoving());
    expectNextFollows();
    driver.advanceBy(VelkoraMotion::panel().duration.count() - 21);
    EXPECT_TRUE(heat->isHeightMoving()) << "still moving just before the motion's end";
    driver.advanceBy(1);
    settleLayout();
    EXPECT_FALSE(heat->isHeightMoving());
    const int opened = heat->height();
    EXPECT_GT(opened, closed);
    EXPECT_EQ(opened, heat->heightForWidth(heat->width())) << "the card ends at its content's height";
    expectNextFollows();

    // Switching off: the row fades, then the card closes over the motion.
    expectOneChange([&] { QTest::mouseClick(heat->protectionSwitch(), Qt::LeftButton); },
                    [](ChargePolicy& policy) { policy.heatProtectionEnabled = false; });
    driver.advanceBy(VelkoraMotion::opacityChange(false).duration.count());
    settleLayout();
    ASSERT_TRUE(heat->thresholdRow()->isHidden());
    driver.advanceBy(20);
    settleLayout();
    EXPECT_LT(heat->height(), opened);
    EXPECT_GT(heat->height(), closed);
    expectNextFollows();
    driver.advanceBy(VelkoraMotion::panel().duration.count());
    settleLayout();
    EXPECT_EQ(heat->height(), closed);
    expectNextFollows();

    // With reduced motion the height changes at once.
    reduceMotion.setReduceMotion(true);
    expectOneChange([&] { QTest::mouseClick(heat->protectionSwitch(), Qt::LeftButton); },
                    [](ChargePolicy& policy) { policy.heatProtectionEnabled = true; });
    settleLayout();
    EXPECT_FALSE(heat->isHeightMoving());
    EXPECT_EQ(heat->height(), opened);
}

TEST_F(ChargeControlViewTest, ThePageScrollsWithoutShowingItsScrollIndicators)
{
    showPage();
    window->resize(910, 400);
    settle();
    QScrollBar* bar = page->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0) << "the page is taller than the window";
    EXPECT_FALSE(bar->isVisible());
    EXPECT_FALSE(page->horizontalScrollBar()->isVisible());

    const QPointF inside(page->viewport()->rect().center());
    QWheelEvent wheel(inside, page->viewport()->mapToGlobal(inside), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(page->viewport(), &wheel);
    EXPECT_GT(bar->value(), 0);
}

TEST(ChargeControlTexts, ResumeTemperatureAndStepColoursReadAsTheRulesSay)
{
    EXPECT_EQ(SailingCard::resumeText(80, 5), L("Charging resumes at 75%", "将在 75% 恢复充电"));
    EXPECT_EQ(SailingCard::resumeText(20, 25), L("Charging resumes at 0%", "将在 0% 恢复充电"));
    EXPECT_EQ(HeatProtectionCard::temperatureText(false, 36.46),
              L("Heat protection is off. Battery temperature: 36.5°C", "过热保护已关闭。当前温度：36.5°C"));
    EXPECT_EQ(HeatProtectionCard::temperatureText(true, 36.44),
              L("Battery temperature 36.4°C; charging pauses above the threshold.", "当前温度 36.4°C，超过阈值时将暂停充电。"));

    const QColor secondary = foregroundColor(ForegroundStyle::secondary);
    for (const CalibrationPhase step : CalibrationCard::steps) {
        EXPECT_EQ(CalibrationCard::calibrationTint(step, CalibrationPhase::inactive), secondary);
    }
    EXPECT_EQ(CalibrationCard::calibrationTint(CalibrationPhase::chargingToFull, CalibrationPhase::chargingToFull),
              VelkoraTheme::accent());
    EXPECT_EQ(CalibrationCard::calibrationTint(CalibrationPhase::chargingToFull, CalibrationPhase::restoringLimit),
              VelkoraTheme::systemGreen());
    EXPECT_EQ(CalibrationCard::calibrationTint(CalibrationPhase::restoringLimit, CalibrationPhase::dischargingToLow),
              secondary);
}

}  // namespace
}  // namespace velkora::test
