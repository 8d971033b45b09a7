#include "Settings/SleepBehaviorView.h"

#include "VisualKit/PageTitle.h"
#include "VisualKit/SettingsRow.h"
#include "VisualKit/StateBadge.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraPanel.h"
#include "VisualKit/VelkoraSwitch.h"

#include "Model/AppModel.h"
#include "Services/AppLanguage.h"
#include "Services/TelemetryStore.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include <optional>

namespace velkora {

namespace {

const QString productName = QStringLiteral("Tallowmere");

// The level the service keeps the Mac awake for, when it does: the limit
// while charging towards it, 100 while topping up. The service holds its
// assertion only then, on external power with management on (a top-up
// ignores management) and never while sailing, heat-protected or
// discharging.
std::optional<std::int64_t> keptAwakeUntil(const ChargePolicy& policy, const PowerSnapshot& snapshot)
{
    if (!policy.preventSleepUntilLimit || !snapshot.battery.adapterConnected) {
        return std::nullopt;
    }
    if (snapshot.state == ChargingState::topUp && snapshot.battery.isCharging) {
        return 100;
    }
    if (policy.managementEnabled && snapshot.state == ChargingState::charging &&
        snapshot.battery.percentage < policy.chargeLimit) {
        return policy.chargeLimit;
    }
    return std::nullopt;
}

}  // namespace

QString SleepBehaviorView::statusText(const ChargePolicy& policy, const PowerSnapshot& snapshot, bool enforced)
{
    if (enforced) {
        if (const std::optional<std::int64_t> level = keptAwakeUntil(policy, snapshot)) {
            return localized(QStringLiteral("%@ 将保持系统唤醒，直到电量达到 %lld%%；显示器仍可正常关闭。"), productName,
                             static_cast<qlonglong>(*level));
        }
        if (policy.managementEnabled && policy.stopChargingBeforeSleep) {
            return localized(QStringLiteral("系统可以正常睡眠；%@ 会在睡眠前保护当前充电状态，并在唤醒后重新评估策略。"),
                             productName);
        }
    }
    return localized(QStringLiteral("未启用额外睡眠保护，睡眠期间的充电行为由系统固件决定。"));
}

SleepBehaviorView::SleepBehaviorView(const ViewEnvironment& environment, QWidget* parent)
    : PageFrame(PageFrame::Metrics{22, QMargins(30, 50, 30, 30)}, parent), environment_(environment)
{
    setObjectName(QStringLiteral("sleep-behavior"));
    addSection(new PageTitle(QStringLiteral("moon.fill"), QStringLiteral("睡眠行为")));

    auto* rules = new VelkoraPanel(environment);
    rules->contentLayout()->setSpacing(8);
    stopBeforeSleep_ = addRule(rules, QStringLiteral("powersleep"), QStringLiteral("睡眠前停止充电"),
                               QStringLiteral("Mac 进入睡眠前暂停充电，避免旧固件在睡眠中越过设置上限。"),
                               [](ChargePolicy& policy, bool on) {
                                   policy.stopChargingBeforeSleep = on;
                                   if (on) {
                                       policy.managementEnabled = true;
                                   }
                               });
    preventSleep_ = addRule(rules, QStringLiteral("moon.zzz"), QStringLiteral("充至上限前阻止睡眠"),
                            QStringLiteral("只阻止系统空闲睡眠；达到充电上限或拔下电源后自动释放。"),
                            [](ChargePolicy& policy, bool on) {
                                policy.preventSleepUntilLimit = on;
                                if (on) {
                                    policy.managementEnabled = true;
                                }
                            });
    preserveWhenClosed_ = addRule(
        rules, QStringLiteral("person.2"), QStringLiteral("退出应用后保持限制"),
        L(QStringLiteral("After you quit Tallowmere or switch users, the background service keeps enforcing this "
                         "policy. Turn this off to restore macOS default charging when the app quits."),
          QStringLiteral("退出 Tallowmere 或切换用户后，后台服务继续执行当前策略。关闭此项后，退出应用会恢复系统默认充电行为。")),
        [](ChargePolicy& policy, bool on) { policy.preserveWhenAppClosed = on; });
    stopBeforeSleep_->setObjectName(QStringLiteral("stop-before-sleep"));
    preventSleep_->setObjectName(QStringLiteral("prevent-sleep"));
    preserveWhenClosed_->setObjectName(QStringLiteral("preserve-when-closed"));
    addSection(rules);

    auto* statusPanel = new VelkoraPanel(environment);
    QVBoxLayout* column = statusPanel->contentLayout();
    column->setSpacing(13);
    auto* heading = new QHBoxLayout;
    heading->setSpacing(7);
    heading->addWidget(new SymbolView(QStringLiteral("checkmark.shield"), 17, QFont::Bold));
    heading->addWidget(new VelkoraLabel(localized(QStringLiteral("当前睡眠策略")), VelkoraFont::system(17, QFont::Bold)));
    heading->addStretch(1);
    column->addLayout(heading);
    status_ = new VelkoraLabel(QString(), VelkoraFont::system(15, QFont::Medium), ForegroundStyle::secondary);
    status_->setObjectName(QStringLiteral("sleep-status"));
    status_->setWordWrap(true);
    column->addWidget(status_);
    auto* source = new QHBoxLayout;
    source->setSpacing(7);
    powerSymbol_ = new SymbolView(QStringLiteral("powerplug.fill"), 13);
    powerSource_ = new VelkoraLabel(QString(), VelkoraFont::system(13));
    powerSource_->setObjectName(QStringLiteral("power-source"));
    const PowerSnapshot& snapshot = environment_.telemetry->snapshot();
    badge_ = new StateBadge(environment, snapshot.state, static_cast<int>(snapshot.battery.percentage));
    source->addWidget(powerSymbol_, 0, Qt::AlignVCenter);
    source->addWidget(powerSource_, 0, Qt::AlignVCenter);
    source->addStretch(1);
    source->addWidget(badge_, 0, Qt::AlignVCenter);
    column->addLayout(source);
    addSection(statusPanel);

    connect(environment_.model, &AppModel::policyChanged, this, &SleepBehaviorView::refresh);
    connect(environment_.model, &AppModel::helperStatusChanged, this, &SleepBehaviorView::refresh);
    connect(environment_.model, &AppModel::helperNeedsUpdateChanged, this, &SleepBehaviorView::refresh);
    connect(environment_.telemetry, &TelemetryStore::snapshotChanged, this, &SleepBehaviorView::refresh);
    refresh();
}

VelkoraSwitch* SleepBehaviorView::addRule(VelkoraPanel* panel, const QString& symbol, const QString& title,
                                          const QString& help, const std::function<void(ChargePolicy&, bool)>& change)
{
    auto* toggle = new VelkoraSwitch(environment_);
    toggle->setAccessibleName(localized(title));
    panel->addRow(new SettingsRow(symbol, title, help, toggle));
    connect(toggle, &QAbstractButton::clicked, this, [this, change](bool on) {
        environment_.model->updatePolicy([change, on](ChargePolicy& policy) { change(policy, on); });
        // A change the model could not apply leaves its policy, and no
        // policyChanged, behind: the switch goes back to what it holds.
        refresh();
    });
    return toggle;
}

bool SleepBehaviorView::isEnforced() const
{
    const AppModel& model = *environment_.model;
    return model.helperStatus() == HelperStatus::enabled() && !model.helperNeedsUpdate();
}

void SleepBehaviorView::refresh()
{
    const ChargePolicy& policy = environment_.model->policy();
    const PowerSnapshot& snapshot = environment_.telemetry->snapshot();
    // Setting an unchanged state would cut the knob's slide short.
    const auto follow = [](VelkoraSwitch* toggle, bool on) {
        if (toggle->isChecked() != on) {
            toggle->setChecked(on);
        }
    };
    follow(stopBeforeSleep_, policy.stopChargingBeforeSleep);
    follow(preventSleep_, policy.preventSleepUntilLimit);
    follow(preserveWhenClosed_, policy.preserveWhenAppClosed);
    status_->setText(statusText(policy, snapshot, isEnforced()));
    const bool plugged = snapshot.battery.adapterConnected;
    powerSymbol_->setName(plugged ? QStringLiteral("powerplug.fill") : QStringLiteral("battery.75percent"));
    powerSource_->setText(localized(plugged ? QStringLiteral("已连接电源") : QStringLiteral("使用电池")));
    badge_->setState(snapshot.state, static_cast<int>(snapshot.battery.percentage));
}

}  // namespace velkora
