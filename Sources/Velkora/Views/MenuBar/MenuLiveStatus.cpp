#include "MenuBar/MenuLiveStatus.h"

#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraPanel.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/AppLanguage.h"
#include "Services/TelemetryStore.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include <cmath>

namespace velkora {

namespace {

QString watts(double value)
{
    return QString::asprintf("%.1f W", value);
}

// One line of the panel: symbol, title, flexible space, value. Returns the
// title and the value.
std::pair<VelkoraLabel*, VelkoraLabel*> addRow(QVBoxLayout* column, QWidget* parent, const QString& symbol,
                                               const QString& titleKey, const QColor& tint)
{
    auto* row = new QHBoxLayout();
    row->setSpacing(10);
    auto* icon = new SymbolView(symbol, 13, QFont::Normal, ForegroundStyle::primary, parent);
    icon->setColor(tint);
    icon->setFrame(QSize(18, static_cast<int>(icon->sizeHint().height())));
    row->addWidget(icon);
    auto* title = new VelkoraLabel(localized(titleKey), VelkoraFont::body(), ForegroundStyle::secondary, parent);
    row->addWidget(title);
    row->addStretch(1);
    auto* value = new VelkoraLabel(QString(), VelkoraFont::rounded(14, QFont::Bold), ForegroundStyle::primary, parent);
    value->setMonospacedDigits(true);
    row->addWidget(value);
    column->addLayout(row);
    return {title, value};
}

}  // namespace

MenuLiveStatus::MenuLiveStatus(const ViewEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment)
{
    setObjectName(QStringLiteral("menu-live-status"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* panel = new VelkoraPanel(environment, VelkoraPanel::Metrics{20, 14, false}, this);
    outer->addWidget(panel);
    QVBoxLayout* column = panel->contentLayout();
    column->setSpacing(11);
    adapter_ = addRow(column, panel, QStringLiteral("powerplug.fill"), QStringLiteral("适配器输入"),
                      VelkoraTheme::aqua()).second;
    load_ = addRow(column, panel, QStringLiteral("laptopcomputer"), QStringLiteral("系统负载"),
                   VelkoraTheme::lavender()).second;
    std::tie(batteryTitle_, battery_) = addRow(column, panel, QStringLiteral("battery.50percent"),
                                               QStringLiteral("流入电池"), VelkoraTheme::warm());
    connect(environment_.telemetry, &TelemetryStore::snapshotChanged, this, &MenuLiveStatus::refresh);
    refresh();
}

void MenuLiveStatus::refresh()
{
    const PowerSnapshot& snapshot = environment_.telemetry->snapshot();
    adapter_->setText(watts(snapshot.adapter.inputWatts));
    load_->setText(watts(snapshot.battery.systemLoadWatts));
    const double power = snapshot.battery.powerWatts;
    batteryTitle_->setText(localized(power >= 0 ? QStringLiteral("流入电池") : QStringLiteral("电池输出")));
    battery_->setText(watts(std::abs(power)));
}

}  // namespace velkora
