#include "Battery/CalibrationCard.h"

#include "VisualKit/PageTitle.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraTheme.h"

#include "Model/AppModel.h"
#include "Services/AppLanguage.h"
#include "Services/TelemetryStore.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>

namespace velkora {

namespace {

struct Step {
    const char* symbol;
    const char* firstLine;
    const char* secondLine;  // empty: the charge limit
};

// Shown as written in every language.
constexpr std::array<Step, 5> stepTexts{{
    {"battery.100percent", "充电至", "100%"},
    {"battery.25percent", "放电至", "10%"},
    {"battery.100percent", "充电至", "100%"},
    {"pause.rectangle", "保持", "1h"},
    {"battery.75percent", "恢复至", ""},
}};

std::optional<std::size_t> stepIndex(CalibrationPhase phase)
{
    const auto& steps = CalibrationCard::steps;
    const auto found = std::find(steps.begin(), steps.end(), phase);
    if (found == steps.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(found - steps.begin());
}

}  // namespace

CalibrationCard::CalibrationCard(const ViewEnvironment& environment, QWidget* parent)
    : RuleCard(parent), environment_(environment)
{
    contentLayout()->setSpacing(14);
    auto* header = new QHBoxLayout();
    header->addWidget(new PageTitle(QStringLiteral("slider.horizontal.3"), QStringLiteral("校准模式")));
    header->addStretch(1);
    action_ = new VelkoraButton(QString(), VelkoraButton::Style::prominent);
    action_->setObjectName(QStringLiteral("calibration-action"));
    header->addWidget(action_);
    contentLayout()->addLayout(header);

    auto* stepRow = new InsetArea(18, InsetFill::glaze);
    auto* row = new QHBoxLayout(stepRow);
    row->setContentsMargins(16, 16, 16, 16);
    row->setSpacing(10);
    for (std::size_t index = 0; index < stepTexts.size(); ++index) {
        if (index > 0) {
            row->addWidget(new SymbolView(QStringLiteral("arrow.right"), 13, QFont::Normal, ForegroundStyle::secondary));
        }
        auto* step = new QVBoxLayout();
        step->setSpacing(7);
        stepSymbols_[index] = new SymbolView(QString::fromUtf8(stepTexts[index].symbol), 25);
        stepCaptions_[index] = new VelkoraLabel(QString(), VelkoraFont::system(12, QFont::Medium));
        stepCaptions_[index]->setAlignment(Qt::AlignCenter);
        step->addWidget(stepSymbols_[index], 0, Qt::AlignHCenter);
        step->addWidget(stepCaptions_[index]);
        row->addLayout(step, 1);
    }
    contentLayout()->addWidget(stepRow);

    phase_ = new QWidget();
    auto* phaseLine = new QHBoxLayout(phase_);
    phaseLine->setContentsMargins(0, 0, 0, 0);
    phaseLine->setSpacing(6);
    auto* phaseSymbol = new SymbolView(QStringLiteral("arrow.triangle.2.circlepath"), 13, QFont::DemiBold);
    phaseSymbol->setColor(VelkoraTheme::accent());
    phaseText_ = new VelkoraLabel(QString(), VelkoraFont::system(13, QFont::DemiBold));
    phaseText_->setColor(VelkoraTheme::accent());
    phaseLine->addWidget(phaseSymbol);
    phaseLine->addWidget(phaseText_);
    phaseLine->addStretch(1);
    contentLayout()->addWidget(phase_);

    AppModel* model = environment_.model;
    connect(action_, &QAbstractButton::clicked, this, [this] {
        AppModel& current = *environment_.model;
        if (current.isCalibrationActive()) {
            current.cancelCalibration();
        } else {
            current.startCalibration();
        }
    });
    connect(model, &AppModel::isCalibrationActiveChanged, this, [this] { refresh(true); });
    connect(model, &AppModel::policyChanged, this, [this] { refresh(true); });
    connect(environment_.telemetry, &TelemetryStore::snapshotChanged, this, [this] { refresh(true); });
    refresh(false);
}

QColor CalibrationCard::calibrationTint(CalibrationPhase step, CalibrationPhase current)
{
    const std::optional<std::size_t> stepAt = stepIndex(step);
    const std::optional<std::size_t> currentAt = stepIndex(current);
    if (!stepAt || !currentAt || *stepAt > *currentAt) {
        return foregroundColor(ForegroundStyle::secondary);
    }
    return *stepAt < *currentAt ? VelkoraTheme::systemGreen() : VelkoraTheme::accent();
}

void CalibrationCard::changeEvent(QEvent* event)
{
    RuleCard::changeEvent(event);
    // The secondary colour of the steps to come follows the appearance.
    if (event->type() == QEvent::PaletteChange) {
        refresh(false);
    }
}

void CalibrationCard::refresh(bool animated)
{
    const AppModel& model = *environment_.model;
    action_->setText(model.isCalibrationActive() ? localized(QStringLiteral("停止校准"))
                                                 : localized(QStringLiteral("开始校准")));
    const CalibrationPhase current = environment_.telemetry->snapshot().calibrationPhase;
    const QString limit = QString::number(model.policy().chargeLimit) + QLatin1Char('%');
    for (std::size_t index = 0; index < steps.size(); ++index) {
        stepSymbols_[index]->setColor(calibrationTint(steps[index], current));
        const Step& text = stepTexts[index];
        const QString second = *text.secondLine ? QString::fromUtf8(text.secondLine) : limit;
        stepCaptions_[index]->setText(QString::fromUtf8(text.firstLine) + QLatin1Char('\n') + second);
    }
    phaseText_->setText(L(QStringLiteral("Current: "), QStringLiteral("当前：")) + appLocalizedName(current));

    const bool wanted = current != CalibrationPhase::inactive;
    if (wanted == phaseShown_) {
        return;
    }
    phaseShown_ = wanted;
    if (!animated) {
        phase_->setVisible(wanted);
        return;
    }
    presentRow(phase_, wanted, environment_.reducesMotion());
}

}  // namespace velkora
