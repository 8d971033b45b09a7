#include "Battery/LiveEnergyStrip.h"

#include "Battery/EnergyMeter.h"
#include "Battery/LiveEnergyChart.h"

#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraPanel.h"
#include "VisualKit/VelkoraTheme.h"

#include "Model/AppModel.h"
#include "Services/AppLanguage.h"
#include "Services/TelemetryStore.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace velkora {

namespace {

// A meter is never fuller than the smallest adapter's rating makes it.
constexpr std::int64_t smallestFullScale = 30;
constexpr int titleWidth = 150;

}  // namespace

LiveEnergyStrip::LiveEnergyStrip(const ViewEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* panel = new VelkoraPanel(environment, VelkoraPanel::Metrics{26, 18, false});
    outer->addWidget(panel);
    auto* row = new QHBoxLayout();
    row->setSpacing(22);
    panel->contentLayout()->addLayout(row);

    auto* title = new QWidget();
    title->setFixedWidth(titleWidth);
    auto* titleColumn = new QVBoxLayout(title);
    titleColumn->setContentsMargins(0, 0, 0, 0);
    titleColumn->setSpacing(5);
    auto* heading = new QHBoxLayout();
    heading->setSpacing(6);
    heading->addWidget(new SymbolView(QStringLiteral("waveform.path.ecg"), 15, QFont::Bold));
    heading->addWidget(new VelkoraLabel(localized(QStringLiteral("实时能量")), VelkoraFont::system(15, QFont::Bold)), 1);
    auto* caption = new VelkoraLabel(localized(QStringLiteral("每秒更新 · 最近 3 分钟")), VelkoraFont::caption(),
                                     ForegroundStyle::secondary);
    caption->setWordWrap(true);
    titleColumn->addLayout(heading);
    titleColumn->addWidget(caption);
    row->addWidget(title, 0, Qt::AlignVCenter);

    meters_ = {new EnergyMeter(environment, QStringLiteral("powerplug.fill"), VelkoraTheme::aqua()),
               new EnergyMeter(environment, QStringLiteral("laptopcomputer"), VelkoraTheme::lavender()),
               new EnergyMeter(environment, QStringLiteral("battery.50percent"), VelkoraTheme::warm())};
    for (EnergyMeter* meter : meters_) {
        row->addWidget(meter, 0, Qt::AlignVCenter);
    }
    chart_ = new LiveEnergyChart();
    row->addWidget(chart_, 1, Qt::AlignVCenter);

    connect(environment_.telemetry, &TelemetryStore::snapshotChanged, this, &LiveEnergyStrip::showSnapshot);
    connect(&environment_.model->history(), &HistoryStore::livePointsChanged, this, &LiveEnergyStrip::showHistory);
    showSnapshot();
    showHistory();
}

double LiveEnergyStrip::fullScale(const PowerSnapshot& snapshot)
{
    return static_cast<double>(std::max(snapshot.adapter.ratedWatts, smallestFullScale));
}

QString LiveEnergyStrip::batteryFlowTitle(double powerWatts)
{
    // Not a number is no flow into the battery.
    return powerWatts >= 0 ? QStringLiteral("流入电池") : QStringLiteral("电池输出");
}

void LiveEnergyStrip::showSnapshot()
{
    const PowerSnapshot& snapshot = environment_.telemetry->snapshot();
    const double scale = fullScale(snapshot);
    meters_[0]->setReading(QStringLiteral("适配器输入"), snapshot.adapter.inputWatts, scale);
    meters_[1]->setReading(QStringLiteral("系统负载"), snapshot.battery.systemLoadWatts, scale);
    meters_[2]->setReading(batteryFlowTitle(snapshot.battery.powerWatts), std::abs(snapshot.battery.powerWatts), scale);
}

void LiveEnergyStrip::showHistory()
{
    chart_->setPoints(environment_.model->history().livePoints());
}

}  // namespace velkora
