#include "VisualKit/BatteryStatusTone.h"

namespace velkora {

namespace {

QColor rgb(double red, double green, double blue)
{
    return QColor::fromRgbF(static_cast<float>(red), static_cast<float>(green), static_cast<float>(blue));
}

BatteryStatusTone::Kind kindOf(ChargingState state)
{
    switch (state) {
    case ChargingState::unavailable: return BatteryStatusTone::Kind::unavailable;
    case ChargingState::heatProtected:
    case ChargingState::error: return BatteryStatusTone::Kind::danger;
    case ChargingState::calibrating: return BatteryStatusTone::Kind::calibration;
    case ChargingState::onBattery:
    case ChargingState::charging:
    case ChargingState::paused:
    case ChargingState::sailing:
    case ChargingState::discharging:
    case ChargingState::topUp: break;
    }
    return BatteryStatusTone::Kind::level;
}

}  // namespace

BatteryStatusTone::BatteryStatusTone(ChargingState state, int percentage)
    : kind_(kindOf(state)), band_(kind_ == Kind::level ? batteryLevelBand(percentage) : BatteryLevelBand::healthy)
{
}

QColor BatteryStatusTone::color(BatteryStatusColorScheme scheme, ColorAppearance appearance) const
{
    switch (kind_) {
    case Kind::level: return velkora::color(scheme, band_, appearance);
    case Kind::danger: return VelkoraTheme::systemRed(appearance);
    case Kind::calibration: return VelkoraTheme::lavender();
    case Kind::unavailable: return VelkoraTheme::secondaryLabel(appearance);
    }
    return VelkoraTheme::secondaryLabel(appearance);
}

QColor color(BatteryStatusColorScheme scheme, BatteryLevelBand band, ColorAppearance appearance)
{
    struct Row {
        QColor critical;
        QColor low;
        QColor healthy;
    };
    Row row;
    switch (scheme) {
    case BatteryStatusColorScheme::system:
        row = {VelkoraTheme::systemRed(appearance), VelkoraTheme::systemYellow(appearance),
               VelkoraTheme::label(appearance)};
        break;
    case BatteryStatusColorScheme::tallowmere:
        row = {rgb(1.0, 0.31, 0.29), rgb(1.0, 0.62, 0.18), VelkoraTheme::energy()};
        break;
    case BatteryStatusColorScheme::ocean:
        row = {rgb(0.98, 0.32, 0.45), rgb(0.45, 0.50, 0.90), rgb(0.22, 0.78, 0.74)};
        break;
    case BatteryStatusColorScheme::accessible:
        row = {rgb(0.80, 0.47, 0.65), rgb(0.90, 0.62, 0.0), rgb(0.0, 0.45, 0.70)};
        break;
    }
    switch (band) {
    case BatteryLevelBand::critical: return row.critical;
    case BatteryLevelBand::low: return row.low;
    case BatteryLevelBand::healthy: return row.healthy;
    }
    return row.healthy;
}

}  // namespace velkora
