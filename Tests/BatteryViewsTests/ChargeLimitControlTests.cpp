#include "ViewFixture.h"

#include "Battery/ChargeLimitControl.h"
#include "Battery/ChargeLimitStatusRow.h"
#include "Battery/LimitPresetButton.h"

#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraSlider.h"

#include "Services/AppLanguage.h"

#include <QAccessible>
#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QMouseEvent>
#include <QTest>

namespace velkora::test {
namespace {

// Moves the pointer over `widget` with the left button held, as a drag does.
void moveHeld(QWidget* widget, QPoint position)
{
    QMouseEvent move(QEvent::MouseMove, position, widget->mapToGlobal(position), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

class ChargeLimitControlTest : public ViewFixture {
protected:
    ChargeLimitControl* showControl(ChargeLimitLayout layout = {})
    {
        createSettledModel();
        control = show(new ChargeLimitControl(environment(), layout), QSize(420, 260));
        return control;
    }

    VelkoraSlider* slider() const { return control->slider(); }
    QString shownValue() const { return control->valueLabel()->text(); }

    // Grabs the knob, drags it through every value down to `to`, noting
    // what the value reads on the way, and lets go there.
    std::vector<QString> drag(int to)
    {
        std::vector<QString> seen;
        QTest::mousePress(slider(), Qt::LeftButton, Qt::NoModifier, slider()->knobCentre());
        const int from = slider()->value();
        for (int value = from; value != to; value += (to > from ? 1 : -1)) {
            const int next = value + (to > from ? 1 : -1);
            moveHeld(slider(), xFor(next));
            seen.push_back(shownValue());
        }
        QTest::mouseRelease(slider(), Qt::LeftButton, Qt::NoModifier, xFor(to));
        return seen;
    }

    // Where on the slider a press picks `value`.
    QPoint xFor(int value) const
    {
        for (int x = 0; x < slider()->width(); ++x) {
            if (slider()->valueAt(x) == value) {
                return QPoint(x, slider()->height() / 2);
            }
        }
        ADD_FAILURE() << "no place on the slider picks " << value;
        return {};
    }

    ChargeLimitControl* control = nullptr;
};

TEST_F(ChargeLimitControlTest, OnScreenItShowsTheModelsLimitAndADragPreviewsEachValueAndSendsOneUpdateOnRelease)
{
    daemonPolicy.chargeLimit = 75;
    createSettledModel();
    ASSERT_EQ(model->policy().chargeLimit, 75);
    auto* created = new ChargeLimitControl(environment(), {});
    EXPECT_EQ(created->previewLimit(), 80.0) << "before it comes on screen";
    control = show(created, QSize(420, 260));
    ASSERT_EQ(shownValue(), "75%") << "the model's limit once on screen";
    EXPECT_EQ(slider()->value(), 75);
    EXPECT_FALSE(control->presetButton(80)->isSelected());

    QTest::mousePress(slider(), Qt::LeftButton, Qt::NoModifier, slider()->knobCentre());
    std::vector<QString> seen;
    for (int value = 74; value >= 65; --value) {
        moveHeld(slider(), xFor(value));
        seen.push_back(shownValue());
        EXPECT_TRUE(control->presetButton(70)->isSelected() == (value == 70));
    }
    settle();
    EXPECT_TRUE(sentPolicies().empty()) << "nothing is sent during the drag";
    EXPECT_TRUE(control->isDragging());
    std::vector<QString> expected;
    for (int value = 74; value >= 65; --value) {
        expected.push_back(QString::number(value) + "%");
    }
    EXPECT_EQ(seen, expected);

    QTest::mouseRelease(slider(), Qt::LeftButton, Qt::NoModifier, xFor(65));
    ASSERT_TRUE(waitForPolicies(1));
    settle();
    const std::vector<ChargePolicy> sent = sentPolicies();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].chargeLimit, 65);
    EXPECT_TRUE(sent[0].managementEnabled);
    EXPECT_EQ(model->policy().chargeLimit, 65);
    EXPECT_EQ(shownValue(), "65%");
}

TEST_F(ChargeLimitControlTest, ALimitChangedElsewhereDuringADragLeavesTheThumbAndTheDraggedValueIsCommitted)
{
    showControl();
    QTest::mousePress(slider(), Qt::LeftButton, Qt::NoModifier, slider()->knobCentre());
    for (int value = 79; value >= 70; --value) {
        moveHeld(slider(), xFor(value));
    }
    ASSERT_EQ(shownValue(), "70%");

    // The popover's presets, say, change the limit meanwhile.
    model->updatePolicy([](ChargePolicy& policy) { policy.chargeLimit = 90; });
    ASSERT_TRUE(waitForPolicies(1));
    settle();
    ASSERT_EQ(model->policy().chargeLimit, 90);
    EXPECT_EQ(slider()->value(), 70);
    EXPECT_EQ(shownValue(), "70%");
    EXPECT_TRUE(control->presetButton(70)->isSelected());
    EXPECT_FALSE(control->presetButton(90)->isSelected());

    QTest::mouseRelease(slider(), Qt::LeftButton, Qt::NoModifier, xFor(70));
    ASSERT_TRUE(waitForPolicies(2));
    settle();
    const std::vector<ChargePolicy> sent = sentPolicies();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].chargeLimit, 70);
    EXPECT_EQ(model->policy().chargeLimit, 70);
    EXPECT_EQ(shownValue(), "70%");
}

TEST_F(ChargeLimitControlTest, TheSliderReadsItsValueInWordsAndStillMovesAsASlider)
{
    daemonPolicy.chargeLimit = 75;
    createSettledModel();
    auto* created = new ChargeLimitControl(environment(), {});
    QAccessibleInterface* reading = QAccessible::queryAccessibleInterface(created->slider());
    ASSERT_NE(reading, nullptr);
    EXPECT_EQ(reading->text(QAccessible::Value), L("80 percent", "80 百分比")) << "before it comes on screen";
    control = show(created, QSize(420, 260));
    reading = QAccessible::queryAccessibleInterface(slider());
    EXPECT_EQ(reading->role(), QAccessible::Slider);
    EXPECT_EQ(reading->text(QAccessible::Name), localized("充电上限"));
    EXPECT_EQ(reading->text(QAccessible::Value), L("75 percent", "75 百分比"));
    EXPECT_TRUE(reading->text(QAccessible::Description).isEmpty());

    QTest::mouseClick(control->presetButton(90), Qt::LeftButton);
    ASSERT_TRUE(waitForPolicies(1));
    EXPECT_EQ(reading->text(QAccessible::Value), L("90 percent", "90 百分比"));
    QAccessibleValueInterface* value = reading->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->currentValue().toInt(), 90);
    EXPECT_EQ(value->minimumValue().toInt(), 20);
    EXPECT_EQ(value->maximumValue().toInt(), 100);
    EXPECT_EQ(value->minimumStepSize().toInt(), 1);
}

TEST_F(ChargeLimitControlTest, ReleasingWhereTheDragStartedOrPressingTheCurrentPresetSendsNothing)
{
    showControl();
    drag(74);
    ASSERT_TRUE(waitForPolicies(1));
    drag(80);
    ASSERT_TRUE(waitForPolicies(2));
    settle();
    ASSERT_EQ(sentPolicies().size(), 2u);

    QTest::mousePress(slider(), Qt::LeftButton, Qt::NoModifier, slider()->knobCentre());
    QTest::mouseRelease(slider(), Qt::LeftButton, Qt::NoModifier, slider()->knobCentre());
    ASSERT_TRUE(control->presetButton(80)->isSelected());
    QTest::mouseClick(control->presetButton(80), Qt::LeftButton);
    settle();
    EXPECT_EQ(sentPolicies().size(), 2u);
}

TEST_F(ChargeLimitControlTest, APresetSendsOneUpdateAtOnce)
{
    showControl();
    QTest::mouseClick(control->presetButton(90), Qt::LeftButton);
    ASSERT_TRUE(waitForPolicies(1));
    settle();
    ASSERT_EQ(sentPolicies().size(), 1u);
    EXPECT_EQ(sentPolicies()[0].chargeLimit, 90);
    EXPECT_TRUE(sentPolicies()[0].managementEnabled);
    EXPECT_EQ(shownValue(), "90%");
    EXPECT_TRUE(control->presetButton(90)->isSelected());
    EXPECT_FALSE(control->presetButton(80)->isSelected());
}

TEST_F(ChargeLimitControlTest, InputWhileAnUpdateIsInFlightIsIgnored)
{
    showControl();
    holdCommands();
    QTest::mouseClick(control->presetButton(90), Qt::LeftButton);
    ASSERT_TRUE(peer->waitForHeld(1));
    settle();
    ASSERT_TRUE(model->isLimitUpdating());
    EXPECT_TRUE(slider()->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_TRUE(control->presetButton(60)->testAttribute(Qt::WA_TransparentForMouseEvents));

    // Whatever still reaches the controls changes nothing.
    QTest::mouseClick(control->presetButton(60), Qt::LeftButton);
    QTest::mousePress(slider(), Qt::LeftButton, Qt::NoModifier, xFor(40));
    moveHeld(slider(), xFor(35));
    EXPECT_EQ(shownValue(), "90%");
    QTest::mouseRelease(slider(), Qt::LeftButton, Qt::NoModifier, xFor(35));
    QTest::keyClick(slider(), Qt::Key_Left);
    settle();
    EXPECT_EQ(shownValue(), "90%");
    EXPECT_EQ(slider()->value(), 90);
    EXPECT_FALSE(peer->waitForHeld(2, std::chrono::milliseconds(200))) << "one update only";

    answerHeld();
    ASSERT_TRUE(waitFor([&] { return !model->isLimitUpdating(); }));
    setScript({});
    EXPECT_FALSE(slider()->testAttribute(Qt::WA_TransparentForMouseEvents));
    QTest::mouseClick(control->presetButton(60), Qt::LeftButton);
    ASSERT_TRUE(waitForPolicies(1));
    EXPECT_EQ(sentPolicies().back().chargeLimit, 60);
}

TEST_F(ChargeLimitControlTest, ApplyingShowsOnlyAfterAQuarterSecondOfTheModelsClock)
{
    reduceMotion.setReduceMotion(true);
    showControl();
    auto* indicator = static_cast<QGraphicsOpacityEffect*>(control->applyingLabel()->graphicsEffect());
    const int indicatorWidth = control->applyingLabel()->width();
    holdCommands();

    // Answered within the quarter second: never shown.
    QTest::mouseClick(control->presetButton(70), Qt::LeftButton);
    ASSERT_TRUE(peer->waitForHeld(1));
    clock->advance(std::chrono::milliseconds(100));
    answerHeld();
    ASSERT_TRUE(waitFor([&] { return !model->isLimitUpdating(); }));
    clock->advance(std::chrono::milliseconds(400));
    settle();
    EXPECT_FALSE(control->feedbackState().showsApplying);
    EXPECT_EQ(indicator->opacity(), 0.0);

    // Slower: shown from 0.25 s on, greying the controls, until the answer.
    QTest::mouseClick(control->presetButton(90), Qt::LeftButton);
    ASSERT_TRUE(peer->waitForHeld(1));
    settle();
    clock->advance(std::chrono::milliseconds(249));
    settle();
    EXPECT_FALSE(control->feedbackState().showsApplying);
    EXPECT_TRUE(control->applyingLabel()->text().isEmpty());
    EXPECT_TRUE(slider()->isEnabled()) << "not greyed before the indicator shows";
    clock->advance(std::chrono::milliseconds(1));
    settle();
    EXPECT_TRUE(control->feedbackState().showsApplying);
    EXPECT_EQ(control->applyingLabel()->text(), L("Applying…", "应用中…"));
    EXPECT_EQ(indicator->opacity(), 1.0) << "at once with reduced motion";
    EXPECT_FALSE(slider()->isEnabled());
    EXPECT_FALSE(control->presetButton(60)->isEnabled());
    EXPECT_EQ(control->applyingLabel()->width(), indicatorWidth) << "the value does not move";

    answerHeld();
    ASSERT_TRUE(waitFor([&] { return !model->isLimitUpdating(); }));
    EXPECT_FALSE(control->feedbackState().showsApplying);
    EXPECT_EQ(indicator->opacity(), 0.0) << "hidden at once";
    EXPECT_TRUE(slider()->isEnabled());
}

TEST_F(ChargeLimitControlTest, AFailedUpdateShowsTheRestoredLimitAndTheMessage)
{
    showControl();
    setScript([this](DaemonRequest& request) {
        if (request.selector == VelkoraDaemonProtocol::performSelector) {
            request.answer(std::nullopt, "SMC write failed");
            handled();
        }
    });
    drag(66);
    ASSERT_TRUE(waitFor([&] { return model->chargeLimitError().has_value(); }));
    settle();
    EXPECT_EQ(shownValue(), "80%");
    EXPECT_EQ(slider()->value(), 80);
    ChargeLimitStatusRow* status = control->statusRow();
    ASSERT_EQ(status->kind(), ChargeLimitStatusRow::Kind::failure);
    EXPECT_EQ(status->messageLabel()->text(),
              L("Couldn’t apply 66%; restored 80%. SMC write failed", "未能应用 66%，已恢复为 80%。SMC write failed"));
    EXPECT_EQ(status->detailLabel()->text(), L("If retry still fails, repair the background-service setup.",
                                               "如果重试仍失败，请修复后台服务配置。"));
    EXPECT_EQ(status->actionButton()->text(), L("Retry", "重试"));

    // The retry sends the failed limit again.
    setScript({});
    QTest::mouseClick(status->actionButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return model->policy().chargeLimit == 66 && !model->chargeLimitError(); }));
    settle();
    EXPECT_EQ(shownValue(), "66%");
    EXPECT_EQ(status->kind(), ChargeLimitStatusRow::Kind::hint);
}

// The helper stops being usable in the middle of a drag: the drag ends,
// the model refuses the limit before sending anything, and the slider and
// the value are back on the policy's limit at once, beside the message.
TEST_F(ChargeLimitControlTest, ACommitRefusedBeforeSendingReturnsToThePolicysLimitAtOnce)
{
    showControl();
    QTest::mousePress(slider(), Qt::LeftButton, Qt::NoModifier, slider()->knobCentre());
    moveHeld(slider(), xFor(62));
    ASSERT_EQ(shownValue(), "62%");

    registration->currentStatus = platform::SMAppService::Status::requiresApproval;
    model->applicationDidBecomeActive();
    ASSERT_TRUE(waitFor([&] { return model->helperStatus() == HelperStatus::requiresApproval(); }));
    QTest::mouseRelease(slider(), Qt::LeftButton, Qt::NoModifier, xFor(62));
    settle();

    EXPECT_FALSE(control->isDragging());
    EXPECT_EQ(shownValue(), "80%");
    EXPECT_EQ(slider()->value(), 80);
    EXPECT_EQ(control->previewLimit(), 80.0);
    EXPECT_TRUE(sentPolicies().empty());
    const QString refusal = L("Couldn’t apply 62%; restored 80%. Allow Tallowmere in System Settings → General → Login "
                              "Items & Extensions.",
                              "未能应用 62%，已恢复为 80%。请在“系统设置 → 通用 → 登录项与扩展”中允许 Tallowmere。");
    EXPECT_EQ(model->chargeLimitError(), refusal);
    EXPECT_EQ(control->statusRow()->kind(), ChargeLimitStatusRow::Kind::failure);
    EXPECT_EQ(control->statusRow()->messageLabel()->text(), refusal);
    EXPECT_FALSE(slider()->isEnabled());
}

TEST_F(ChargeLimitControlTest, AKeyPressOnAnOutdatedHelperIsRefusedAndTheValueStaysOnTheLimit)
{
    showControl();
    {
        std::lock_guard lock(daemonMutex);
        health.identity.protocolVersion = DaemonProtocolVersion::current - 1;
    }
    model->applicationDidBecomeActive();
    ASSERT_TRUE(waitFor([&] { return model->helperNeedsUpdate(); }));
    settle();
    EXPECT_FALSE(slider()->isEnabled());
    EXPECT_EQ(control->statusRow()->kind(), ChargeLimitStatusRow::Kind::update);
    EXPECT_EQ(control->statusRow()->actionButton()->text(), localized("更新"));

    // Even a change that reaches the slider is not shown as applied.
    slider()->setEnabled(true);
    QTest::keyClick(slider(), Qt::Key_Right);
    settle();
    EXPECT_EQ(shownValue(), "80%");
    EXPECT_EQ(slider()->value(), 80);
    EXPECT_TRUE(sentPolicies().empty());
    EXPECT_EQ(control->statusRow()->kind(), ChargeLimitStatusRow::Kind::failure) << "the refusal wins over the update row";
    EXPECT_EQ(control->statusRow()->actionButton()->text(), L("Update", "更新"));
}

TEST_F(ChargeLimitControlTest, TheStatusRowSaysWhyForEveryHelperStateAndOnlyTheFullLayoutHints)
{
    showControl({.compact = true, .embedded = true});
    EXPECT_EQ(control->statusRow()->kind(), ChargeLimitStatusRow::Kind::none);
    EXPECT_TRUE(control->statusRow()->isHidden());

    auto full = std::make_unique<ChargeLimitControl>(environment());
    EXPECT_EQ(full->statusRow()->kind(), ChargeLimitStatusRow::Kind::hint);

    setScript([this](DaemonRequest& request) {
        request.answer(std::nullopt, "gone");
        handled();
    });
    tick(2);
    ASSERT_TRUE(waitFor([&] { return model->helperStatus() == HelperStatus::offline(); }));
    EXPECT_EQ(control->statusRow()->kind(), ChargeLimitStatusRow::Kind::offline);
    EXPECT_EQ(control->statusRow()->actionButton()->text(), HelperStatus::offline().actionTitle());
    EXPECT_FALSE(control->statusRow()->isHidden());

    model->setChargeLimitError(QStringLiteral("<b>limit</b> failed"));
    EXPECT_EQ(control->statusRow()->kind(), ChargeLimitStatusRow::Kind::failure);
    EXPECT_EQ(control->statusRow()->messageLabel()->text(), "<b>limit</b> failed");
    EXPECT_EQ(control->statusRow()->messageLabel()->textFormat(), Qt::PlainText);
    EXPECT_EQ(control->statusRow()->detailLabel()->text(),
              L("Your target value is saved so you can retry after repair.", "修复后会保留本次目标值，可直接重试。"));
}

TEST(ChargeLimitRecovery, EveryHelperStateHasItsHintAndButton)
{
    const QString retry = L("If retry still fails, repair the background-service setup.", "如果重试仍失败，请修复后台服务配置。");
    const QString saved = L("Your target value is saved so you can retry after repair.", "修复后会保留本次目标值，可直接重试。");
    const std::vector<std::pair<HelperStatus, QString>> hints = {
        {HelperStatus::repairFailed("x"), saved},
        {HelperStatus::versionMismatch(), saved},
        {HelperStatus::offline(), saved},
        {HelperStatus::requiresApproval(),
         L("Allow Tallowmere in System Settings → General → Login Items & Extensions.",
           "请在“系统设置 → 通用 → 登录项与扩展”中允许 Tallowmere。")},
        {HelperStatus::invalidLocation(),
         L("The background service can only run when the app is in Applications.", "后台服务只能从“应用程序”文件夹正常运行。")},
        {HelperStatus::unavailable("x"), retry},
        {HelperStatus::unsupportedDevice(), retry},
        {HelperStatus::notInstalled(), retry},
        {HelperStatus::starting(), retry},
        {HelperStatus::enabled(), retry},
        {HelperStatus::repairing(), retry},
    };
    for (const auto& [status, hint] : hints) {
        EXPECT_EQ(ChargeLimitStatusRow::limitRecoveryHint(status), hint) << status.title().toStdString();
        const QString title = ChargeLimitStatusRow::limitRecoveryActionTitle(false, status);
        EXPECT_EQ(title, status == HelperStatus::enabled() ? L("Retry", "重试") : status.actionTitle());
        EXPECT_EQ(ChargeLimitStatusRow::limitRecoveryActionTitle(true, status), L("Update", "更新"));
    }
}

TEST(ChargeLimitFeedback, ALateRevealOfAnEarlierUpdateShowsNothing)
{
    ChargeLimitFeedbackState state;
    const std::uint64_t first = state.beginUpdate();
    state.finishUpdate();
    const std::uint64_t second = state.beginUpdate();
    EXPECT_FALSE(state.revealApplying(first, true));
    EXPECT_FALSE(state.showsApplying);
    EXPECT_TRUE(state.revealApplying(second, true));
    EXPECT_TRUE(state.showsApplying);
    state.finishUpdate();
    EXPECT_FALSE(state.showsApplying);
    EXPECT_EQ(state.generation, 4u);
}

}  // namespace
}  // namespace velkora::test
