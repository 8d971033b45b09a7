#pragma once

#include "VisualKit/BatteryLevelBand.h"
#include "VisualKit/ColorAppearance.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/AppSettings.h"
#include "VelkoraCore/ChargingState.h"

#include <QColor>

namespace velkora {

// The colour family of a charging state: the battery's level band for the
// six ordinary states, else danger, calibration or unavailable. Two tones are
// equal when they are the same kind and, for level, carry the same band; a
// badge animates its colour exactly when its tone changes.
class BatteryStatusTone {
public:
    enum class Kind { level, danger, calibration, unavailable };

    // The percentage counts only for on battery, charging, paused, sailing,
    // discharging and top-up.
    BatteryStatusTone(ChargingState state, int percentage);

    static BatteryStatusTone level(BatteryLevelBand band) { return BatteryStatusTone(Kind::level, band); }
    static BatteryStatusTone danger() { return BatteryStatusTone(Kind::danger, BatteryLevelBand::healthy); }
    static BatteryStatusTone calibration() { return BatteryStatusTone(Kind::calibration, BatteryLevelBand::healthy); }
    static BatteryStatusTone unavailable() { return BatteryStatusTone(Kind::unavailable, BatteryLevelBand::healthy); }

    Kind kind() const { return kind_; }
    // Meaningful for level only.
    BatteryLevelBand band() const { return band_; }

    // level: the scheme's colour of the band; danger: the platform red;
    // calibration: lavender; unavailable: the platform secondary label colour.
    QColor color(BatteryStatusColorScheme scheme, ColorAppearance appearance = VelkoraTheme::current()) const;

    bool operator==(const BatteryStatusTone& other) const
    {
        return kind_ == other.kind_ && (kind_ != Kind::level || band_ == other.band_);
    }

private:
    BatteryStatusTone(Kind kind, BatteryLevelBand band) : kind_(kind), band_(band) {}

    Kind kind_;
    BatteryLevelBand band_;
};

// The colour of `band` in `scheme`; the system scheme's colours follow the
// appearance (its healthy colour is the label colour: white in dark, black in
// light), the others are fixed.
QColor color(BatteryStatusColorScheme scheme, BatteryLevelBand band,
             ColorAppearance appearance = VelkoraTheme::current());

}  // namespace velkora
