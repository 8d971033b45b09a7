#include "Battery/ChargeLimitControl.h"

#include "Battery/ChargeLimitStatusRow.h"
#include "Battery/LimitPresetButton.h"

#include "VisualKit/AccessibleElement.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraMotion.h"
#include "VisualKit/VelkoraPanel.h"
#include "VisualKit/VelkoraSlider.h"
#include "VisualKit/VelkoraTheme.h"

#include "Model/AppModel.h"
#include "Services/AppLanguage.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QPointer>
#include <QShowEvent>
#include <QVBoxLayout>

#include <cmath>

namespace velkora {

namespace {

// The indicator keeps this width while invisible, so the value never moves.
constexpr int applyingWidth = 68;

// Lifts a text of `font` so that its baseline meets that of `reference`
// when both stand on the bottom of one row.
void alignBaseline(QWidget* widget, const QFont& font, const QFont& reference)
{
    widget->setContentsMargins(0, 0, 0, QFontMetrics(reference).descent() - QFontMetrics(font).descent());
}

}  // namespace

ChargeLimitControl::ChargeLimitControl(const ViewEnvironment& environment, Layout layout, QWidget* parent)
    : QWidget(parent), environment_(environment), layout_(layout)
{
    const bool compact = layout_.compact;
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    QVBoxLayout* stack = outer;
    if (!layout_.embedded) {
        auto* panel = new VelkoraPanel(environment, VelkoraPanel::Metrics{compact ? 20.0 : 24.0, compact ? 14 : 16, false});
        outer->addWidget(panel);
        stack = panel->contentLayout();
    }
    stack->setSpacing(compact ? 10 : 13);

    buildHeader(stack);

    slider_ = new VelkoraSlider();
    slider_->setRange(minimumLimit, maximumLimit);
    slider_->setSingleStep(1);
    slider_->setPageStep(10);
    slider_->setAccessibleName(localized(QStringLiteral("充电上限")));
    stack->addWidget(slider_);
    connect(slider_, &QSlider::sliderPressed, this, [this] { sliderEditingChanged(true); });
    connect(slider_, &QSlider::sliderReleased, this, [this] { sliderEditingChanged(false); });
    connect(slider_, &QSlider::valueChanged, this, &ChargeLimitControl::sliderValueChanged);

    auto* presetRow = new QHBoxLayout();
    presetRow->setSpacing(compact ? 5 : 7);
    for (std::size_t index = 0; index < presets.size(); ++index) {
        const int value = presets[index];
        auto* button = new LimitPresetButton(environment, value, compact);
        button->setObjectName(QStringLiteral("preset-%1").arg(value));
        presetButtons_[index] = button;
        presetRow->addWidget(button, 1);
        connect(button, &QAbstractButton::clicked, this, [this, value] { selectPreset(value); });
    }
    stack->addLayout(presetRow);

    status_ = new ChargeLimitStatusRow(environment, compact);
    stack->addWidget(status_);

    AppModel* model = environment_.model;
    connect(model, &AppModel::policyChanged, this, &ChargeLimitControl::policyChanged);
    connect(model, &AppModel::isLimitUpdatingChanged, this, [this] {
        if (isVisible()) {
            runFeedback();
        }
        refresh();
    });
    for (auto signal : {&AppModel::helperStatusChanged, &AppModel::helperNeedsUpdateChanged,
                        &AppModel::chargeLimitErrorChanged}) {
        connect(model, signal, this, &ChargeLimitControl::refresh);
    }
    shownPolicyLimit_ = model->policy().chargeLimit;
    showPreview();
    refresh();
}

ChargeLimitControl::~ChargeLimitControl()
{
    cancelFeedback();
}

void ChargeLimitControl::buildHeader(QLayout* stack)
{
    const bool compact = layout_.compact;
    const QFont titleFont = VelkoraFont::system(compact ? 13 : 15, QFont::Bold);
    const QFont valueFont = VelkoraFont::rounded(compact ? 24 : 30, QFont::Bold);
    const QFont applyingFont = VelkoraFont::caption2();

    auto* title = new QWidget();
    auto* titleLine = new QHBoxLayout(title);
    titleLine->setSpacing(6);
    titleLine->setContentsMargins(0, 0, 0, 0);
    // The symbol centred on the line, the text on the row's baseline.
    titleLine->addWidget(new SymbolView(QStringLiteral("slider.horizontal.3"), compact ? 13 : 15, QFont::Bold), 0,
                         Qt::AlignVCenter);
    titleLine->addWidget(new VelkoraLabel(localized(QStringLiteral("充电上限")), titleFont), 0, Qt::AlignBottom);
    alignBaseline(title, titleFont, valueFont);

    applying_ = new VelkoraLabel(QString(), applyingFont, ForegroundStyle::secondary);
    applying_->setFixedWidth(applyingWidth);
    applying_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    alignBaseline(applying_, applyingFont, valueFont);
    applyingOpacity_ = new QGraphicsOpacityEffect(applying_);
    applyingOpacity_->setOpacity(0.0);
    applying_->setGraphicsEffect(applyingOpacity_);

    value_ = new VelkoraLabel(QString(), valueFont);
    value_->setObjectName(QStringLiteral("limit-value"));
    value_->setMonospacedDigits(true);
    value_->setColor(VelkoraTheme::energy());

    auto* header = new QHBoxLayout();
    header->setSpacing(6);
    header->addWidget(title, 0, Qt::AlignBottom);
    header->addStretch(1);
    header->addWidget(applying_, 0, Qt::AlignBottom);
    header->addWidget(value_, 0, Qt::AlignBottom);
    static_cast<QBoxLayout*>(stack)->addLayout(header);
}

int ChargeLimitControl::roundedPreview() const
{
    return static_cast<int>(std::lround(previewLimit_));
}

LimitPresetButton* ChargeLimitControl::presetButton(int value) const
{
    for (LimitPresetButton* button : presetButtons_) {
        if (button->value() == value) {
            return button;
        }
    }
    return nullptr;
}

void ChargeLimitControl::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous()) {
        return;
    }
    setPreview(static_cast<double>(environment_.model->policy().chargeLimit));
    runFeedback();
    refresh();
}

void ChargeLimitControl::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous()) {
        cancelFeedback();
    }
}

void ChargeLimitControl::sliderEditingChanged(bool editing)
{
    isDragging_ = editing;
    if (!editing) {
        commit(roundedPreview());
    }
}

void ChargeLimitControl::sliderValueChanged(int value)
{
    if (syncingSlider_) {
        return;
    }
    if (environment_.model->isLimitUpdating()) {
        // One change at a time: the slider goes back to what is shown.
        showPreview();
        return;
    }
    setPreview(value);
    if (!slider_->isSliderDown()) {
        // A key press is a whole change.
        commit(value);
    }
}

void ChargeLimitControl::selectPreset(int value)
{
    if (environment_.model->isLimitUpdating()) {
        return;
    }
    setPreview(value);
    commit(value);
}

void ChargeLimitControl::commit(int limit)
{
    AppModel& model = *environment_.model;
    if (!model.isLimitUpdating() && limit != model.policy().chargeLimit) {
        model.updatePolicy([limit](ChargePolicy& policy) {
            policy.managementEnabled = true;
            policy.chargeLimit = limit;
        });
    }
    // The value shown is now the model's: the limit just sent, or the one it
    // kept when it refused the change before sending anything (helper not
    // usable or in need of an update) or another update was still under way.
    // Never a limit that was not applied.
    setPreview(static_cast<double>(model.policy().chargeLimit));
}

void ChargeLimitControl::policyChanged()
{
    const std::int64_t limit = environment_.model->policy().chargeLimit;
    if (limit == shownPolicyLimit_) {
        return;
    }
    shownPolicyLimit_ = limit;
    // While the knob is held it stays under the pointer.
    if (!isDragging_) {
        setPreview(static_cast<double>(limit));
    }
}

void ChargeLimitControl::runFeedback()
{
    cancelFeedback();
    if (environment_.model->isLimitUpdating()) {
        const std::uint64_t token = feedback_.beginUpdate();
        showApplying(false);
        QPointer<ChargeLimitControl> self(this);
        feedbackTimer_ = environment_.model->clock().singleShot(applyingDelay, [self, token] {
            if (self) {
                self->revealApplying(token);
            }
        });
    } else {
        feedback_.finishUpdate();
        showApplying(false);
    }
    refresh();
}

void ChargeLimitControl::revealApplying(std::uint64_t token)
{
    feedbackTimer_.reset();
    if (!environment_.model->isLimitUpdating()) {
        return;
    }
    if (feedback_.revealApplying(token, true)) {
        showApplying(true);
        refresh();
    }
}

void ChargeLimitControl::cancelFeedback()
{
    if (feedbackTimer_) {
        feedbackTimer_->cancel();
        feedbackTimer_.reset();
    }
}

void ChargeLimitControl::showApplying(bool animated)
{
    const bool shows = feedback_.showsApplying;
    // Hidden, it has no text: nothing for assistive technology to read.
    applying_->setText(shows ? L(QStringLiteral("Applying…"), QStringLiteral("应用中…")) : QString());
    VelkoraMotion::animate(applyingOpacity_, "opacity", shows ? 1.0 : 0.0,
                           animated ? VelkoraMotion::feedback(environment_.reducesMotion()) : std::nullopt);
}

void ChargeLimitControl::setPreview(double limit)
{
    previewLimit_ = limit;
    showPreview();
}

void ChargeLimitControl::showPreview()
{
    const int shown = roundedPreview();
    value_->setText(localized(QStringLiteral("%lld%%"), shown));
    syncingSlider_ = true;
    slider_->setValue(shown);
    syncingSlider_ = false;
    AccessibleElement::setValue(slider_,
                                QString::number(shown) + L(QStringLiteral(" percent"), QStringLiteral(" 百分比")));
    for (LimitPresetButton* button : presetButtons_) {
        button->setSelected(button->value() == shown);
    }
}

void ChargeLimitControl::refresh()
{
    const AppModel& model = *environment_.model;
    const bool serviceCanAdjustLimit = model.helperStatus() == HelperStatus::enabled() && !model.helperNeedsUpdate();
    const bool adjustable = serviceCanAdjustLimit && !feedback_.showsApplying;
    const bool ignoresPointer = model.isLimitUpdating();
    if (!adjustable && slider_->isSliderDown()) {
        // The helper changed under a drag: the drag ends where it is, and
        // the model decides about the value.
        slider_->setSliderDown(false);
    }
    slider_->setEnabled(adjustable);
    slider_->setAttribute(Qt::WA_TransparentForMouseEvents, ignoresPointer);
    for (LimitPresetButton* button : presetButtons_) {
        button->setEnabled(adjustable);
        button->setAttribute(Qt::WA_TransparentForMouseEvents, ignoresPointer);
    }
    status_->refresh();
}

}  // namespace velkora
