#pragma once

#include "VisualKit/PageFrame.h"
#include "VisualKit/ViewEnvironment.h"

namespace velkora {

class CalibrationCard;
class ChargeLimitControl;
class HeatProtectionCard;
class HelperBanner;
class SailingCard;

// The main window's page of charging rules: its title, a banner while the
// helper daemon is not running normally, the charge-limit control in full
// with the sailing rule under it, heat protection, and calibration. The page
// keeps no copy of the policy: each control shows the model's and sends
// each change through AppModel::updatePolicy as a change of its own field.
// Shown by the root view only while the Mac has a battery. Main thread only.
class ChargeControlView : public PageFrame {
    Q_OBJECT
public:
    explicit ChargeControlView(const ViewEnvironment& environment, QWidget* parent = nullptr);

    HelperBanner* helperBanner() const { return banner_; }
    ChargeLimitControl* limitControl() const { return limit_; }
    SailingCard* sailingCard() const { return sailing_; }
    HeatProtectionCard* heatProtectionCard() const { return heat_; }
    CalibrationCard* calibrationCard() const { return calibration_; }

private:
    HelperBanner* banner_;
    ChargeLimitControl* limit_;
    SailingCard* sailing_;
    HeatProtectionCard* heat_;
    CalibrationCard* calibration_;
};

}  // namespace velkora
