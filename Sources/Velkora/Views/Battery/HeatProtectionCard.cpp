#include "Battery/HeatProtectionCard.h"

#include "VisualKit/SettingsRow.h"
#include "VisualKit/ValueFormatting.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraSlider.h"
#include "VisualKit/VelkoraSwitch.h"

#include "Model/AppModel.h"
#include "Services/AppLanguage.h"
#include "Services/TelemetryStore.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace velkora {

namespace {

constexpr int lowestThreshold = 30;
constexpr int highestThreshold = 45;
// The row stands under the rule's title, past its symbol.
constexpr int thresholdIndent = 38;
constexpr int thresholdValueWidth = 48;

}  // namespace

HeatProtectionCard::HeatProtectionCard(const ViewEnvironment& environment, QWidget* parent)
    : RuleCard(parent), environment_(environment)
{
    contentLayout()->setSpacing(8);
    switch_ = new VelkoraSwitch(environment);
    switch_->setObjectName(QStringLiteral("heat-protection-switch"));
    switch_->setAccessibleName(localized(QStringLiteral("过热保护")));
    contentLayout()->addWidget(new SettingsRow(QStringLiteral("flame"), QStringLiteral("过热保护"),
                                               QStringLiteral("温度达到阈值后暂停充电，冷却后自动恢复。"), switch_));

    thresholdRow_ = new QWidget();
    auto* row = new QHBoxLayout(thresholdRow_);
    row->setContentsMargins(thresholdIndent, 0, 0, 0);
    row->addWidget(new VelkoraLabel(localized(QStringLiteral("保护阈值")), VelkoraFont::system(13)));
    slider_ = new VelkoraSlider();
    slider_->setObjectName(QStringLiteral("heat-threshold"));
    slider_->setRange(lowestThreshold, highestThreshold);
    slider_->setSingleStep(1);
    slider_->setAccessibleName(localized(QStringLiteral("保护阈值")));
    row->addWidget(slider_, 1);
    threshold_ = new VelkoraLabel(QString(), VelkoraFont::system(13));
    threshold_->setMonospacedDigits(true);
    threshold_->setFixedWidth(thresholdValueWidth);
    threshold_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(threshold_);
    contentLayout()->addWidget(thresholdRow_);

    auto* line = new InsetArea(14, InsetFill::glaze);
    auto* lineLayout = new QVBoxLayout(line);
    lineLayout->setContentsMargins(14, 14, 14, 14);
    temperature_ = new VelkoraLabel(QString(), VelkoraFont::system(14, QFont::Medium));
    temperature_->setAlignment(Qt::AlignCenter);
    temperature_->setWordWrap(true);
    lineLayout->addWidget(temperature_);
    contentLayout()->addWidget(line);

    AppModel* model = environment_.model;
    connect(switch_, &QAbstractButton::clicked, this, [this](bool on) {
        change([on](ChargePolicy& policy) { policy.heatProtectionEnabled = on; });
    });
    connect(slider_, &QSlider::valueChanged, this, &HeatProtectionCard::thresholdChanged);
    connect(model, &AppModel::policyChanged, this, [this] {
        if (!changing_) {
            refresh(true);
        }
    });
    connect(environment_.telemetry, &TelemetryStore::snapshotChanged, this, &HeatProtectionCard::refreshTemperature);
    refresh(false);
}

QString HeatProtectionCard::temperatureText(bool protectionEnabled, double celsius)
{
    const QString shown = oneDecimal(celsius);
    return protectionEnabled ? localized(QStringLiteral("当前温度 %@°C，超过阈值时将暂停充电。"), shown)
                             : localized(QStringLiteral("过热保护已关闭。当前温度：%@°C"), shown);
}

void HeatProtectionCard::thresholdChanged(int celsius)
{
    if (syncingSlider_ || celsius == environment_.model->policy().heatLimitCelsius) {
        return;
    }
    change([celsius](ChargePolicy& policy) { policy.heatLimitCelsius = celsius; });
}

void HeatProtectionCard::change(const std::function<void(ChargePolicy&)>& mutation)
{
    changing_ = true;
    environment_.model->updatePolicy(mutation);
    changing_ = false;
    refresh(true);
}

void HeatProtectionCard::refreshTemperature()
{
    temperature_->setText(temperatureText(environment_.model->policy().heatProtectionEnabled,
                                          environment_.telemetry->snapshot().battery.temperatureCelsius));
}

void HeatProtectionCard::refresh(bool animated)
{
    const ChargePolicy& policy = environment_.model->policy();
    if (switch_->isChecked() != policy.heatProtectionEnabled) {
        switch_->setChecked(policy.heatProtectionEnabled);
    }
    syncingSlider_ = true;
    slider_->setValue(static_cast<int>(policy.heatLimitCelsius));
    syncingSlider_ = false;
    threshold_->setText(localized(QStringLiteral("%lld°C"), policy.heatLimitCelsius));
    refreshTemperature();

    const bool wanted = policy.heatProtectionEnabled;
    if (wanted == rowShown_) {
        return;
    }
    rowShown_ = wanted;
    if (!animated) {
        thresholdRow_->setVisible(wanted);
        return;
    }
    presentRow(thresholdRow_, wanted, environment_.reducesMotion());
}

}  // namespace velkora
