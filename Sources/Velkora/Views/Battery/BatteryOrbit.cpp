#include "Battery/BatteryOrbit.h"

#include "Battery/BatteryOrbitRing.h"

#include "VisualKit/Divider.h"
#include "VisualKit/ValueFormatting.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/AppLanguage.h"
#include "Services/AppSettings.h"
#include "Services/TelemetryStore.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace velkora {

namespace {

// The reason may run to two lines; the values stay in place below it.
constexpr int reasonLines = 2;

}  // namespace

BatteryOrbit::BatteryOrbit(const ViewEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(22);
    ring_ = new BatteryOrbitRing();
    row->addWidget(ring_, 0, Qt::AlignTop);

    auto* column = new QVBoxLayout();
    column->setSpacing(12);
    auto* heading = new QVBoxLayout();
    heading->setSpacing(5);
    state_ = new VelkoraLabel(QString(), VelkoraFont::rounded(22, QFont::Bold));
    reason_ = new VelkoraLabel(QString(), VelkoraFont::system(12, QFont::Medium), ForegroundStyle::secondary);
    reason_->setWordWrap(true);
    reason_->setMaximumHeight(QFontMetrics(reason_->font()).lineSpacing() * reasonLines);
    reason_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    heading->addWidget(state_);
    heading->addWidget(reason_);
    column->addLayout(heading);
    column->addWidget(new Divider(0.55));
    auto* values = new QVBoxLayout();
    values->setSpacing(9);
    for (OrbitValueRow*& valueRow : rows_) {
        valueRow = new OrbitValueRow();
        values->addWidget(valueRow);
    }
    column->addLayout(values);
    column->addStretch(1);
    row->addLayout(column, 1);

    connect(environment_.telemetry, &TelemetryStore::snapshotChanged, this, [this] { refresh(true); });
    if (environment_.settings) {
        connect(environment_.settings, &AppSettings::batteryStatusColorSchemeChanged, this, [this] { refresh(false); });
    }
    refresh(false);
}

void BatteryOrbit::setLimit(std::optional<int> limit)
{
    if (limit != limit_) {
        limit_ = limit;
        refresh(false);
    }
}

void BatteryOrbit::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // A new appearance: the system scheme's colours follow it.
    if (event->type() == QEvent::PaletteChange) {
        refresh(false);
    }
}

int BatteryOrbit::percentage() const
{
    return static_cast<int>(environment_.telemetry->snapshot().battery.percentage);
}

QColor BatteryOrbit::levelColor() const
{
    const BatteryStatusColorScheme scheme =
        environment_.settings ? environment_.settings->batteryStatusColorScheme() : BatteryStatusColorScheme::tallowmere;
    return VelkoraTheme::batteryLevelColor(percentage(), scheme);
}

std::array<OrbitValue, 3> BatteryOrbit::values(const PowerSnapshot& snapshot, std::optional<int> limit)
{
    const BatterySnapshot& battery = snapshot.battery;
    OrbitValue limitValue = limit ? OrbitValue{QStringLiteral("充电上限"), QString::number(*limit) + QLatin1Char('%'),
                                               QStringLiteral("flag.checkered")}
                                  : OrbitValue{QStringLiteral("当前方案"), QStringLiteral("免费监控"),
                                               QStringLiteral("waveform.path.ecg")};
    OrbitValue power{QStringLiteral("电池功率"), signedPower(battery.powerWatts),
                     battery.powerWatts >= 0 ? QStringLiteral("arrow.down.circle.fill")
                                             : QStringLiteral("arrow.up.circle.fill")};
    OrbitValue time{battery.isCharging ? QStringLiteral("预计充满") : QStringLiteral("预计续航"),
                    formatDuration(battery.timeRemainingMinutes), QStringLiteral("clock")};
    return {limitValue, power, time};
}

void BatteryOrbit::refresh(bool animated)
{
    const PowerSnapshot& snapshot = environment_.telemetry->snapshot();
    const BatteryStatusColorScheme scheme =
        environment_.settings ? environment_.settings->batteryStatusColorScheme() : BatteryStatusColorScheme::tallowmere;
    ring_->setLevel(percentage(), levelColor(), !animated || environment_.reducesMotion());
    ring_->setLimit(limit_);
    state_->setText(appLocalizedName(snapshot.state));
    state_->setColor(VelkoraTheme::batteryStatusColor(snapshot.state, percentage(), scheme));
    reason_->setText(QString::fromStdString(snapshot.stateReason));
    const std::array<OrbitValue, 3> shown = values(snapshot, limit_);
    for (std::size_t index = 0; index < rows_.size(); ++index) {
        rows_[index]->setValue(shown[index]);
    }
}

}  // namespace velkora
